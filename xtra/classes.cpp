// The Xtra's entry points: the fixed class table, the walk that serves the
// look-up exports, the interface objects with their reference counting, the
// script instance's create and destroy procedures, and registration.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>
#include <new>

#include "xtra.h"

namespace klv::xtra {
namespace {

// Interface objects alive in the whole module (both kinds); the host may
// unload the Xtra only at zero. The host calls from one thread at a time.
MoaLong g_liveInterfaces = 0;

IMoaUnknown* AsUnknown(void* object) { return static_cast<IMoaUnknown*>(object); }
MoaObjectHeader* HeaderOf(void* object) { return static_cast<MoaObjectHeader*>(object); }

// The shape both interfaces share: method table, owner, reference count.
// Lives in a block from the owner's allocator, never on the C++ heap.
template <class Interface>
class InterfaceObject : public Interface {
 public:
  explicit InterfaceObject(void* owner) : owner_(AsUnknown(owner)) {}

  MoaError MOA_CALL QueryInterface(const MoaID* iid, void** out) override {
    return owner_->QueryInterface(iid, out);
  }

  MoaUlong MOA_CALL AddRef() override {
    owner_->AddRef();
    return static_cast<MoaUlong>(++refs_);
  }

  MoaUlong MOA_CALL Release() override {
    IMoaUnknown* owner = owner_;  // this object may be gone below
    const MoaLong refs = --refs_;
    if (refs == 0) {
      IMoaCalloc* calloc = HeaderOf(owner)->pCalloc;
      this->~InterfaceObject();
      calloc->NRFree(this);
      --g_liveInterfaces;
      owner->Release();  // the object's own hold on its owner
    }
    owner->Release();  // the reference just dropped
    return static_cast<MoaUlong>(refs);
  }

  // Places a new object in a block of the owner's allocator: one reference
  // for the caller, one hold on the owner by the object itself.
  template <class Object>
  static MoaError Create(void* owner, void** out) {
    if (!out) return kMoaErr_BadParam;
    *out = nullptr;
    void* block = AllocateFrom(HeaderOf(owner)->pCalloc, sizeof(Object));
    if (!block) return kMoaErr_OutOfMem;
    Object* object = new (block) Object(owner);
    AsUnknown(owner)->AddRef();
    AsUnknown(owner)->AddRef();
    ++g_liveInterfaces;
    *out = static_cast<Interface*>(object);
    return kMoaErr_NoErr;
  }

 protected:
  ~InterfaceObject() = default;
  void* Owner() const { return owner_; }

 private:
  IMoaUnknown* owner_;
  MoaLong refs_ = 1;
};

class RegisterObject final : public InterfaceObject<IMoaRegister> {
 public:
  using InterfaceObject::InterfaceObject;

  // One registry entry, for the script class, holding the method table. The
  // entry's dictionary belongs to the host's cache and is not released.
  MoaError MOA_CALL Register(IMoaCache* cache, IMoaDict* xtraDict) override {
    if (!cache) return kMoaErr_BadParam;
    IMoaDict* entry = nullptr;
    const MoaError added = cache->AddRegistryEntry(xtraDict, &kScriptClassID, &IID_IMoaMmXScript, &entry);
    if (added != kMoaErr_NoErr) return added;
    if (!entry) return kMoaErr_InternalError;
    return entry->Put(kMoaDictType_CString, kMethodTable, 0, "msgTable");
  }
};

class ScriptObject final : public InterfaceObject<IMoaMmXScript> {
 public:
  using InterfaceObject::InterfaceObject;

  MoaError MOA_CALL Call(MoaMmCallInfo* call) override {
    return Dispatch(*static_cast<ScriptInstance*>(Owner()), call);
  }
};

static_assert(sizeof(RegisterObject) == 12 && sizeof(ScriptObject) == 12,
              "interface objects are method table, owner, reference count");

MoaError MOA_CALL NewRegister(void* owner, void** out) {
  return InterfaceObject<IMoaRegister>::Create<RegisterObject>(owner, out);
}

MoaError MOA_CALL NewScript(void* owner, void** out) {
  return InterfaceObject<IMoaMmXScript>::Create<ScriptObject>(owner, out);
}

MoaError MOA_CALL CreateRegistration(void*) { return kMoaErr_NoErr; }
void MOA_CALL DestroyRegistration(void*) {}

// Never fails: without a value interface the instance still exists, and
// Call answers for the missing conversions.
MoaError MOA_CALL CreateScript(void* object) {
  auto* self = static_cast<ScriptInstance*>(object);
  self->value = nullptr;
  IMoaCallback* callback = self->header.pCallback;
  if (callback) {
    void* value = nullptr;
    if (callback->QueryInterface(&IID_IMoaMmValue, &value) == kMoaErr_NoErr)
      self->value = static_cast<IMoaMmValue*>(value);
  }
  self->codePage = HostCodePage(callback);
  return kMoaErr_NoErr;
}

void MOA_CALL DestroyScript(void* object) {
  auto* self = static_cast<ScriptInstance*>(object);
  if (self->value) self->value->Release();
  self->value = nullptr;
}

// The fixed class table, always walked in this order.
typedef MoaError(MOA_CALL* InterfaceCreator)(void* owner, void** out);

struct InterfaceRow {
  const MoaID* iid;
  MoaUlong version;
  InterfaceCreator create;
};

struct ClassRow {
  const MoaID* classID;
  MoaUlong version;
  MoaLong instanceSize;
  MoaCreateProc create;
  MoaDestroyProc destroy;
  InterfaceRow interfaceRow;  // each class offers exactly one interface
};

const ClassRow kClasses[] = {
    {&kRegistrationClassID, kClassVersion, kMoaObjectHeaderSize, CreateRegistration, DestroyRegistration,
     {&IID_IMoaRegister, kClassVersion, NewRegister}},
    {&kScriptClassID, kClassVersion, sizeof(ScriptInstance), CreateScript, DestroyScript,
     {&IID_IMoaMmXScript, kClassVersion, NewScript}},
};

typedef MoaError (*ClassVisitor)(const ClassRow& row, void* context);
typedef MoaError (*InterfaceVisitor)(const ClassRow& row, const InterfaceRow& interfaceRow, void* context);

// Visits the classes that match `filter` (every class when null), then each
// of their interfaces; a visitor's non-zero answer ends the walk and is its
// result.
MoaError WalkClasses(const MoaID* filter, ClassVisitor onClass, InterfaceVisitor onInterface, void* context) {
  for (const ClassRow& row : kClasses) {
    if (filter && !SameID(*filter, *row.classID)) continue;
    if (onClass) {
      if (const MoaError stop = onClass(row, context)) return stop;
    }
    if (onInterface) {
      if (const MoaError stop = onInterface(row, row.interfaceRow, context)) return stop;
    }
  }
  return kMoaErr_NoErr;
}

struct FormQuery {
  MoaLong* size;
  MoaCreateProc* create;
  MoaDestroyProc* destroy;
  bool found;
};

MoaError WriteForm(const ClassRow& row, void* context) {
  auto* query = static_cast<FormQuery*>(context);
  if (query->size) *query->size = row.instanceSize;
  if (query->create) *query->create = row.create;
  if (query->destroy) *query->destroy = row.destroy;
  query->found = true;
  return 1;
}

struct InterfaceQuery {
  const MoaID* iid;
  InterfaceCreator create;
};

MoaError FindInterface(const ClassRow&, const InterfaceRow& interfaceRow, void* context) {
  auto* query = static_cast<InterfaceQuery*>(context);
  if (!SameID(*query->iid, *interfaceRow.iid)) return 0;
  query->create = interfaceRow.create;
  return 1;
}

// Counts rows, and writes them while `next` is set.
struct InfoTable {
  MoaLong count;
  MoaClassInterfaceInfo* next;
};

void PutRow(InfoTable& table, const MoaID& classID, MoaUlong classVersion, const MoaID& iid, MoaUlong version) {
  ++table.count;
  if (!table.next) return;
  table.next->classID = classID;
  table.next->classVersion = classVersion;
  table.next->interfaceID = iid;
  table.next->interfaceVersion = version;
  ++table.next;
}

MoaError ClassInfoRow(const ClassRow& row, void* context) {
  PutRow(*static_cast<InfoTable*>(context), *row.classID, row.version, IID_IMoaClassFactory, 1);
  return 0;
}

MoaError InterfaceInfoRow(const ClassRow& row, const InterfaceRow& interfaceRow, void* context) {
  PutRow(*static_cast<InfoTable*>(context), *row.classID, row.version, *interfaceRow.iid, interfaceRow.version);
  return 0;
}

// The number a version text begins with, read whole ("10.1" is 10, "5.0a"
// is 5; a long run of digits stays large); -1 when it begins with none.
long LeadingNumber(const char* text) {
  if (*text < '0' || *text > '9') return -1;
  long number = 0;
  for (; *text >= '0' && *text <= '9'; ++text) number = number < 100000 ? number * 10 + (*text - '0') : number;
  return number;
}

// One text item of the host's IMoaAppInfo, or the empty text when the host
// does not give it.
template <std::size_t Size>
void AppText(IMoaAppInfo* info, MoaLong item, char (&text)[Size]) {
  if (info->GetInfo(item, text, Size) != kMoaErr_NoErr) text[0] = '\0';
  text[Size - 1] = '\0';
}

}  // namespace

UINT HostCodePage(IMoaCallback* callback) noexcept {
  void* out = nullptr;
  if (!callback || callback->QueryInterface(&IID_IMoaAppInfo, &out) != kMoaErr_NoErr || !out) return CP_ACP;
  auto* info = static_cast<IMoaAppInfo*>(out);
  char product[64], version[64];
  AppText(info, kMoaAppInfo_ProductName, product);
  AppText(info, kMoaAppInfo_ProductVersion, version);
  info->Release();
  const bool utf8 = std::strcmp(product, "Director") == 0 && LeadingNumber(version) >= kFirstUtf8Director;
  return utf8 ? CP_UTF8 : CP_ACP;
}

void* AllocateFrom(IMoaCalloc* calloc, MoaUlong size) noexcept {
  if (!calloc) return nullptr;
  try {
    for (;;) {
      if (void* block = calloc->NRAlloc(size)) return block;
      std::new_handler handler = std::get_new_handler();
      if (!handler) return nullptr;
      handler();
    }
  } catch (...) {
    return nullptr;  // a handler that cannot free memory throws bad_alloc
  }
}

}  // namespace klv::xtra

using namespace klv::xtra;

// Class objects are not offered: always 0x80040005, nothing written.
extern "C" MoaError MOA_CALL DllGetClassObject(const MoaID*, const MoaID*, void**) { return kMoaErr_BadClass; }

// 0 when no interface object is alive, else 0x80040003.
extern "C" MoaError MOA_CALL DllCanUnloadNow() { return g_liveInterfaces == 0 ? kMoaErr_NoErr : kMoaErr_XtraInUse; }

// Creates interface `iid` of class `classID` (the first class when null, as
// in DllGetClassForm) on `object` into `out`; the creation's own result, or
// 0x80040004 (nothing written) when the class does not offer it.
extern "C" MoaError MOA_CALL DllGetInterface(void* object, const MoaID* classID, const MoaID* iid, void** out) {
  if (!object || !iid) return kMoaErr_BadParam;
  // Searching every class would hand a registration instance the script
  // interface, which reads a field that instance does not have.
  InterfaceQuery query{iid, nullptr};
  WalkClasses(classID ? classID : kClasses[0].classID, nullptr, FindInterface, &query);
  if (!query.create) return kMoaErr_BadInterface;
  return query.create(object, out);
}

// Instance size (header and own fields), create and destroy procedures of
// `classID`, or of the first class when it is null; 0x80040005 with the
// outs untouched for a class not in the table.
extern "C" MoaError MOA_CALL DllGetClassForm(const MoaID* classID, MoaLong* objectSize, MoaCreateProc* create,
                                             MoaDestroyProc* destroy) {
  FormQuery query{objectSize, create, destroy, false};
  WalkClasses(classID, WriteForm, nullptr, &query);
  return query.found ? kMoaErr_NoErr : kMoaErr_BadClass;
}

// A table of 40-byte rows from `calloc`, owned by the host from then on: a
// class row and an interface row per class, in table order, then an
// all-zero row. 0x80040002 with *out null when the allocation fails.
extern "C" MoaError MOA_CALL DllGetClassInfo(IMoaCalloc* calloc, const MoaClassInterfaceInfo** out) {
  if (!out) return kMoaErr_BadParam;
  *out = nullptr;
  InfoTable table{0, nullptr};
  WalkClasses(nullptr, ClassInfoRow, InterfaceInfoRow, &table);
  const MoaUlong bytes = (table.count + 1) * sizeof(MoaClassInterfaceInfo);
  auto* rows = static_cast<MoaClassInterfaceInfo*>(AllocateFrom(calloc, bytes));
  if (!rows) return kMoaErr_OutOfMem;
  table = InfoTable{0, rows};
  WalkClasses(nullptr, ClassInfoRow, InterfaceInfoRow, &table);
  std::memset(table.next, 0, sizeof(MoaClassInterfaceInfo));
  *out = rows;
  return kMoaErr_NoErr;
}

// Nothing to set up or tear down per process or thread.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
