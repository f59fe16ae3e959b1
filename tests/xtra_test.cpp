// kLvTools.x32 as a Director host sees it: its five exports called directly,
// its interface objects and their reference counts, registration, the
// method table and the dispatch, and the moahost program around it. The
// host objects come from tools/moahost; where a layout matters, the test
// reads raw offsets and method-table slots instead of trusting moa.h.
#include <climits>
#include <cstring>
#include <new>
#include <set>
#include <vector>

#include "klv_test.h"
#include "moahost.h"
#include "original.h"
#include "pe_image.h"
#include "xtra.h"

using namespace klvtest;
using klv::xtra::kClassVersion;
using klv::xtra::kRegistrationClassID;
using klv::xtra::kScriptClassID;

namespace {

std::string XtraPath() { return BinDir() + "\\kLvTools.x32"; }

// The declarations in selector order from 1, as the method rows give them.
#define KLV_DECLARATION(declaration, comment, function) declaration,
const char* const kDeclarations[] = {KLV_XTRA_METHODS(KLV_DECLARATION)};
#undef KLV_DECLARATION
constexpr int kMethods = klv::xtra::kMethodCount;

// The Lingo name a declaration begins with.
std::string NameOf(const std::string& declaration) { return declaration.substr(0, declaration.find(' ')); }

template <class T>
T At(const void* base, std::size_t offset) {
  T value;
  std::memcpy(&value, static_cast<const char*>(base) + offset, sizeof value);
  return value;
}

MoaID IdAt(const void* base, std::size_t offset) { return At<MoaID>(base, offset); }

// Slot `n` of an interface's method table, called raw.
template <class Fn>
Fn Slot(void* object, int n) {
  return (*static_cast<Fn**>(object))[n];
}

const MoaMmValue kSentinel = {0x5EED, 0x0BAD};

bool Untouched(const MoaMmValue& value) { return value.ty == kSentinel.ty && value.it == kSentinel.it; }

// A host that has loaded the Xtra, with a script instance and its
// IMoaMmXScript when asked.
class XtraTest : public ::testing::Test {
 protected:
  void SetUp() override { host_ = std::make_unique<moahost::Host>(XtraPath(), options_); }
  void TearDown() override {
    if (!host_) return;
    EXPECT_EQ(host_->Allocator().Live(), 0);
    EXPECT_EQ(host_->Allocator().BadFrees(), 0);
    EXPECT_EQ(host_->LiveInstances(), 0);
    EXPECT_EQ(host_->CanUnloadNow(), kMoaErr_NoErr);
    EXPECT_EQ(host_->ValueInterface().Refs(), 1u);
  }

  const moahost::Exports& Xtra() { return host_->Xtra(); }

  IMoaMmXScript* Script(moahost::Instance* instance) {
    void* out = nullptr;
    EXPECT_EQ(host_->GetInterface(instance, IID_IMoaMmXScript, &out), kMoaErr_NoErr);
    return static_cast<IMoaMmXScript*>(out);
  }

  moahost::Options options_;
  std::unique_ptr<moahost::Host> host_;
};

class NoValueTest : public XtraTest {
 protected:
  void SetUp() override {
    options_.refuseValue = true;
    XtraTest::SetUp();
  }
};

}  // namespace

// --- the module and its class table

TEST(XtraBinary, ImportsOnlySystemDllsAndTheLibrary) {
  const auto xtra = ReadPeImage(XtraPath());
  ASSERT_FALSE(xtra.imports.empty());
  for (const auto& dll : xtra.imports) EXPECT_TRUE(IsSystemDll(dll) || dll == "klv_tool.dll") << "imports " << dll;
  const auto host = ReadPeImage(BinDir() + "\\moahost.exe");
  for (const auto& dll : host.imports) EXPECT_TRUE(IsSystemDll(dll)) << "moahost imports " << dll;
}

TEST(XtraBinary, ExportsTheFiveEntryPointsUndecorated) {
  const auto image = ReadPeImage(XtraPath());
  EXPECT_EQ(image.exportName, "kLvTools.x32");
  const std::set<std::string> names(image.exports.begin(), image.exports.end());
  EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassForm", "DllGetClassInfo",
                                          "DllGetClassObject", "DllGetInterface"}));
  EXPECT_EQ(image.exports.size(), 5u);
}

TEST(XtraBinary, CarriesItsVersion) {
  const std::string path = XtraPath();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010007u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  char* name = nullptr;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\OriginalFilename",
                             reinterpret_cast<void**>(&name), &length));
  EXPECT_STREQ(name, "kLvTools.x32");
}

TEST_F(XtraTest, ClassInfoHasFourRowsInWalkOrderAndAZeroRow) {
  const MoaClassInterfaceInfo* table = nullptr;
  ASSERT_EQ(Xtra().getClassInfo(&host_->Allocator(), &table), kMoaErr_NoErr);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(host_->Allocator().Requests(), 1);
  EXPECT_EQ(host_->Allocator().LastSize(), 200u);
  struct Expected {
    MoaID classID, iid;
    MoaUlong interfaceVersion;
  } const rows[] = {{kRegistrationClassID, IID_IMoaClassFactory, 1},
                    {kRegistrationClassID, IID_IMoaRegister, kClassVersion},
                    {kScriptClassID, IID_IMoaClassFactory, 1},
                    {kScriptClassID, IID_IMoaMmXScript, kClassVersion}};
  const char* bytes = reinterpret_cast<const char*>(table);
  for (int i = 0; i < 4; ++i) {
    const char* row = bytes + 40 * i;
    EXPECT_TRUE(SameID(IdAt(row, 0), rows[i].classID)) << "row " << i;
    EXPECT_EQ(At<MoaUlong>(row, 16), kClassVersion) << "row " << i;
    EXPECT_TRUE(SameID(IdAt(row, 20), rows[i].iid)) << "row " << i;
    EXPECT_EQ(At<MoaUlong>(row, 36), rows[i].interfaceVersion) << "row " << i;
  }
  const MoaID zero{};
  EXPECT_TRUE(SameID(IdAt(bytes + 160, 0), zero));
  EXPECT_TRUE(SameID(IdAt(bytes + 160, 20), zero));
  EXPECT_FALSE(SameID(kRegistrationClassID, kScriptClassID));
  host_->Allocator().NRFree(const_cast<MoaClassInterfaceInfo*>(table));  // the host owns it
  EXPECT_EQ(host_->ClassInfo().size(), 4u);
}

TEST_F(XtraTest, ClassInfoAllocationFailureGivesNullAndOutOfMem) {
  host_->Allocator().FailRequest(1);
  const MoaClassInterfaceInfo* table = reinterpret_cast<const MoaClassInterfaceInfo*>(0x1234);
  EXPECT_EQ(Xtra().getClassInfo(&host_->Allocator(), &table), kMoaErr_OutOfMem);
  EXPECT_EQ(table, nullptr);
  EXPECT_EQ(host_->Allocator().Requests(), 1);  // no handler installed: no retry
  EXPECT_EQ(host_->ClassInfo().size(), 4u);      // the next request succeeds again
}

TEST_F(XtraTest, ClassFormForEachClassAndForNull) {
  MoaLong size = 0;
  MoaCreateProc create = nullptr;
  MoaDestroyProc destroy = nullptr;
  ASSERT_EQ(Xtra().getClassForm(&kScriptClassID, &size, &create, &destroy), kMoaErr_NoErr);
  EXPECT_EQ(size, 32);  // the header, the value interface and the host's code page
  EXPECT_NE(create, nullptr);
  EXPECT_NE(destroy, nullptr);
  const MoaCreateProc scriptCreate = create;

  size = 0, create = nullptr, destroy = nullptr;
  ASSERT_EQ(Xtra().getClassForm(nullptr, &size, &create, &destroy), kMoaErr_NoErr);
  EXPECT_EQ(size, 24);  // the registration class: the header only
  EXPECT_NE(create, scriptCreate);
  MoaLong regSize = 0;
  MoaCreateProc regCreate = nullptr;
  MoaDestroyProc regDestroy = nullptr;
  ASSERT_EQ(Xtra().getClassForm(&kRegistrationClassID, &regSize, &regCreate, &regDestroy), kMoaErr_NoErr);
  EXPECT_EQ(regSize, size);
  EXPECT_EQ(regCreate, create);
  EXPECT_EQ(regDestroy, destroy);
}

TEST_F(XtraTest, ClassFormOfAnUnknownClassLeavesTheOutsAlone) {
  MoaLong size = -7;
  auto create = reinterpret_cast<MoaCreateProc>(0x1111);
  auto destroy = reinterpret_cast<MoaDestroyProc>(0x2222);
  for (const MoaID& id : {IID_IMoaMmXScript, IID_IMoaUnknown, MoaID{}}) {
    EXPECT_EQ(Xtra().getClassForm(&id, &size, &create, &destroy), kMoaErr_BadClass);
    EXPECT_EQ(size, -7);
    EXPECT_EQ(create, reinterpret_cast<MoaCreateProc>(0x1111));
    EXPECT_EQ(destroy, reinterpret_cast<MoaDestroyProc>(0x2222));
  }
  MoaID nearly = kScriptClassID;  // every byte counts
  nearly.data4[7] ^= 1;
  EXPECT_EQ(Xtra().getClassForm(&nearly, &size, &create, &destroy), kMoaErr_BadClass);
}

TEST_F(XtraTest, ClassObjectsAreNeverOffered) {
  void* out = reinterpret_cast<void*>(0x4321);
  EXPECT_EQ(Xtra().getClassObject(&kScriptClassID, &IID_IMoaUnknown, &out), kMoaErr_BadClass);
  EXPECT_EQ(Xtra().getClassObject(&kRegistrationClassID, &IID_IMoaClassFactory, &out), kMoaErr_BadClass);
  EXPECT_EQ(Xtra().getClassObject(nullptr, nullptr, nullptr), kMoaErr_BadClass);
  EXPECT_EQ(out, reinterpret_cast<void*>(0x4321));
  EXPECT_EQ(host_->Allocator().Requests(), 0);
}

TEST_F(XtraTest, InterfacesOnlyOfTheirOwnClass) {
  moahost::Instance* reg = host_->Create(&kRegistrationClassID);
  moahost::Instance* script = host_->Create(&kScriptClassID);
  void* out = reinterpret_cast<void*>(0x4321);
  EXPECT_EQ(Xtra().getInterface(reg, &kRegistrationClassID, &IID_IMoaMmXScript, &out), kMoaErr_BadInterface);
  EXPECT_EQ(Xtra().getInterface(script, &kScriptClassID, &IID_IMoaRegister, &out), kMoaErr_BadInterface);
  EXPECT_EQ(Xtra().getInterface(script, &kScriptClassID, &IID_IMoaUnknown, &out), kMoaErr_BadInterface);
  EXPECT_EQ(Xtra().getInterface(script, &IID_IMoaMmXScript, &IID_IMoaMmXScript, &out), kMoaErr_BadInterface);
  // A null class is the registration class, as in DllGetClassForm: it must
  // never hand the script interface to an instance without the own field.
  EXPECT_EQ(Xtra().getInterface(reg, nullptr, &IID_IMoaMmXScript, &out), kMoaErr_BadInterface);
  EXPECT_EQ(out, reinterpret_cast<void*>(0x4321));
  EXPECT_EQ(reg->RefCount(), 1);
  EXPECT_EQ(script->RefCount(), 1);
  EXPECT_EQ(host_->Allocator().Requests(), 0);

  ASSERT_EQ(Xtra().getInterface(reg, nullptr, &IID_IMoaRegister, &out), kMoaErr_NoErr);
  static_cast<IMoaUnknown*>(out)->Release();
  reg->Release();
  script->Release();
}

// --- interface objects and reference counts

TEST_F(XtraTest, InterfaceObjectHoldsItsOwnerTwice) {
  moahost::Instance* instance = host_->Create(&kScriptClassID);
  EXPECT_EQ(host_->CanUnloadNow(), kMoaErr_NoErr);
  void* out = nullptr;
  ASSERT_EQ(Xtra().getInterface(instance, &kScriptClassID, &IID_IMoaMmXScript, &out), kMoaErr_NoErr);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(host_->Allocator().LastSize(), 12u);
  EXPECT_EQ(At<void*>(out, 4), instance->Object());  // table, owner, count
  EXPECT_EQ(At<MoaLong>(out, 8), 1);
  EXPECT_EQ(instance->RefCount(), 3);
  EXPECT_EQ(host_->CanUnloadNow(), kMoaErr_XtraInUse);

  typedef MoaUlong(MOA_CALL * CountFn)(void*);
  EXPECT_EQ(Slot<CountFn>(out, 1)(out), 2u);  // AddRef
  EXPECT_EQ(instance->RefCount(), 4);
  EXPECT_EQ(Slot<CountFn>(out, 2)(out), 1u);  // Release
  EXPECT_EQ(instance->RefCount(), 3);
  EXPECT_EQ(host_->CanUnloadNow(), kMoaErr_XtraInUse);
  EXPECT_EQ(Slot<CountFn>(out, 2)(out), 0u);  // the last Release
  EXPECT_EQ(instance->RefCount(), 1);
  EXPECT_EQ(host_->CanUnloadNow(), kMoaErr_NoErr);
  EXPECT_EQ(host_->Allocator().Live(), 0);
  instance->Release();
}

TEST_F(XtraTest, UnloadWaitsForEveryInterfaceObject) {
  moahost::Instance* reg = host_->Create(nullptr);
  moahost::Instance* script = host_->Create(&kScriptClassID);
  void* r = nullptr;
  ASSERT_EQ(host_->GetInterface(reg, IID_IMoaRegister, &r), kMoaErr_NoErr);
  IMoaMmXScript* s1 = Script(script);
  IMoaMmXScript* s2 = Script(script);
  ASSERT_TRUE(s1 && s2);
  EXPECT_NE(static_cast<void*>(s1), static_cast<void*>(s2));  // one object per request
  EXPECT_EQ(script->RefCount(), 5);
  EXPECT_EQ(host_->Allocator().Live(), 3);
  s1->Release();
  static_cast<IMoaRegister*>(r)->Release();
  EXPECT_EQ(host_->CanUnloadNow(), kMoaErr_XtraInUse);
  s2->Release();
  EXPECT_EQ(host_->CanUnloadNow(), kMoaErr_NoErr);
  EXPECT_EQ(script->RefCount(), 1);
  EXPECT_EQ(reg->RefCount(), 1);
  reg->Release();
  script->Release();
}

TEST_F(XtraTest, QueryInterfaceGoesToTheOwner) {
  moahost::Instance* instance = host_->Create(&kScriptClassID);
  IMoaMmXScript* script = Script(instance);
  ASSERT_NE(script, nullptr);
  void* unknown = nullptr;
  ASSERT_EQ(script->QueryInterface(&IID_IMoaUnknown, &unknown), kMoaErr_NoErr);
  EXPECT_EQ(unknown, instance->Object());
  EXPECT_EQ(instance->RefCount(), 4);
  static_cast<IMoaUnknown*>(unknown)->Release();
  void* other = nullptr;  // the host's look-up asks the Xtra again
  ASSERT_EQ(script->QueryInterface(&IID_IMoaMmXScript, &other), kMoaErr_NoErr);
  EXPECT_NE(other, static_cast<void*>(script));
  EXPECT_EQ(host_->Allocator().Live(), 2);
  static_cast<IMoaUnknown*>(other)->Release();
  EXPECT_EQ(script->QueryInterface(&IID_IMoaRegister, &other), kMoaErr_BadInterface);
  script->Release();
  instance->Release();
}

TEST_F(XtraTest, InterfaceAllocationFailureChangesNothing) {
  moahost::Instance* instance = host_->Create(&kScriptClassID);
  host_->Allocator().FailRequest(host_->Allocator().Requests() + 1);
  void* out = reinterpret_cast<void*>(0x4321);
  EXPECT_EQ(host_->GetInterface(instance, IID_IMoaMmXScript, &out), kMoaErr_OutOfMem);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(instance->RefCount(), 1);
  EXPECT_EQ(host_->CanUnloadNow(), kMoaErr_NoErr);
  EXPECT_EQ(host_->Allocator().Live(), 0);
  EXPECT_EQ(host_->Allocator().Refusals(), 1);
  IMoaMmXScript* script = Script(instance);  // the next one works
  ASSERT_NE(script, nullptr);
  script->Release();
  instance->Release();
}

TEST(XtraAllocation, RetriesThroughTheNewHandlerWhileOneIsInstalled) {
  static int calls;
  static moahost::Calloc* calloc;
  moahost::Calloc heap;
  calloc = &heap;
  const std::new_handler before = std::get_new_handler();

  heap.FailRequest(1, true);  // every request fails
  calls = 0;
  std::set_new_handler([] {
    if (++calls == 2) calloc->FailRequest(0);  // memory found on the second try
  });
  void* block = klv::xtra::AllocateFrom(&heap, 12);
  EXPECT_NE(block, nullptr);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(heap.Requests(), 3);
  heap.NRFree(block);

  heap.FailRequest(heap.Requests() + 1, true);
  calls = 0;
  std::set_new_handler([] {
    ++calls;
    throw std::bad_alloc();  // a handler that cannot help
  });
  EXPECT_EQ(klv::xtra::AllocateFrom(&heap, 12), nullptr);
  EXPECT_EQ(calls, 1);

  calls = 0;
  std::set_new_handler([] {
    ++calls;
    std::set_new_handler(nullptr);  // gives up by removing itself
  });
  const long requests = heap.Requests();
  EXPECT_EQ(klv::xtra::AllocateFrom(&heap, 12), nullptr);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(heap.Requests(), requests + 2);

  std::set_new_handler(nullptr);
  EXPECT_EQ(klv::xtra::AllocateFrom(&heap, 12), nullptr);
  EXPECT_EQ(heap.Requests(), requests + 3);
  EXPECT_EQ(klv::xtra::AllocateFrom(nullptr, 12), nullptr);
  EXPECT_EQ(heap.Live(), 0);
  std::set_new_handler(before);
}

// --- the script instance and its value interface

TEST_F(XtraTest, ScriptInstanceHoldsTheValueInterfaceForItsLife) {
  moahost::Instance* instance = host_->Create(&kScriptClassID);
  EXPECT_EQ(*instance->Field<void*>(24), static_cast<void*>(static_cast<IMoaMmValue*>(&host_->ValueInterface())));
  EXPECT_EQ(host_->ValueInterface().Refs(), 2u);
  instance->Release();  // the destroy procedure lets it go
  EXPECT_EQ(host_->ValueInterface().Refs(), 1u);

  moahost::Instance* reg = host_->Create(&kRegistrationClassID);
  EXPECT_EQ(host_->ValueInterface().Refs(), 1u);  // the registration class asks for nothing
  reg->Release();
}

TEST_F(NoValueTest, ScriptInstanceWithoutValueInterfaceCallsNothing) {
  moahost::Instance* instance = host_->Create(&kScriptClassID);  // create still succeeds
  EXPECT_EQ(*instance->Field<void*>(24), nullptr);
  IMoaMmXScript* script = Script(instance);
  ASSERT_NE(script, nullptr);
  std::vector<MoaMmValue> args(8, moahost::Values::Integer(1));
  for (MoaLong selector = 1; selector <= kMethods; ++selector) {
    MoaMmCallInfo call{instance, 0, selector, kSentinel, 8, args.data()};
    EXPECT_EQ(script->Call(&call), static_cast<MoaError>(0x80040004)) << selector;  // "bad interface" to the host
    EXPECT_TRUE(Untouched(call.resultValue)) << selector;
  }
  MoaMmCallInfo call{instance, 0, 0, kSentinel, 1, args.data()};
  EXPECT_EQ(script->Call(&call), kMoaErr_NoErr);
  EXPECT_EQ(host_->ValueInterface().Calls(), 0);
  script->Release();
  instance->Release();
}

// --- registration and the method table

TEST_F(XtraTest, RegisterStoresTheTableOnceForTheScriptClass) {
  ASSERT_EQ(host_->Register(), kMoaErr_NoErr);
  const auto& entries = host_->Registry().Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(SameID(entries[0].classID, kScriptClassID));
  EXPECT_TRUE(SameID(entries[0].iid, IID_IMoaMmXScript));
  EXPECT_EQ(entries[0].xtraDict, &host_->XtraDict());
  const auto& values = entries[0].dict->Entries();
  ASSERT_EQ(values.size(), 1u);
  ASSERT_EQ(values.count("msgTable"), 1u);
  EXPECT_EQ(values.at("msgTable").type, kMoaDictType_CString);
  EXPECT_EQ(values.at("msgTable").puts, 1);
  EXPECT_EQ(entries[0].dict->Refs(), 1u);  // the cache's dictionary is not released
  EXPECT_TRUE(host_->XtraDict().Entries().empty());
  EXPECT_EQ(host_->Registry().Refs(), 1u);
}

TEST_F(XtraTest, RegisterThroughSlotThree) {
  moahost::Instance* reg = host_->Create(nullptr);
  void* out = nullptr;
  ASSERT_EQ(host_->GetInterface(reg, IID_IMoaRegister, &out), kMoaErr_NoErr);
  typedef MoaError(MOA_CALL * RegisterFn)(void*, IMoaCache*, IMoaDict*);
  EXPECT_EQ(Slot<RegisterFn>(out, 3)(out, &host_->Registry(), &host_->XtraDict()), kMoaErr_NoErr);
  EXPECT_EQ(host_->Registry().Entries().size(), 1u);
  static_cast<IMoaUnknown*>(out)->Release();
  reg->Release();
}

TEST_F(XtraTest, RegisterAnswersTheHostsErrors) {
  host_->Registry().addAnswer = kMoaErr_InternalError;
  EXPECT_EQ(host_->Register(), kMoaErr_InternalError);
  EXPECT_TRUE(host_->Registry().Entries().empty());
  host_->Registry().addAnswer = kMoaErr_NoErr;
  host_->Registry().entryPutAnswer = kMoaErr_OutOfMem;
  EXPECT_EQ(host_->Register(), kMoaErr_OutOfMem);
  ASSERT_EQ(host_->Registry().Entries().size(), 1u);
  EXPECT_TRUE(host_->Registry().Entries()[0].dict->Entries().empty());
}

// Lingo finds a method by its name and calls the selector the host numbered
// its line with: row n - 1 of the method rows, whose handler runs, must be
// selector n. The original methods keep their declarations and selectors.
TEST_F(XtraTest, SelectorsAsTheHostNumbersThem) {
  ASSERT_EQ(host_->Register(), kMoaErr_NoErr);
  const auto table = host_->Methods();
  EXPECT_EQ(table.xtraName, "kLvTools");
  ASSERT_EQ(table.methods.size(), 1u + kMethods);
  EXPECT_EQ(table.methods[0].line, "new object me");
  for (int i = 0; i < kMethods; ++i) {
    const moahost::Method* method = table.Find(NameOf(kDeclarations[i]));
    ASSERT_NE(method, nullptr) << kDeclarations[i];
    EXPECT_EQ(method->selector, i + 1) << method->line;
    EXPECT_EQ(method->line.rfind(std::string(kDeclarations[i]) + " -- ", 0), 0u) << method->line;
  }
  for (unsigned i = 0; i < kOriginalCount; ++i) {
    const std::string& line = table.methods[i + 1].line;
    EXPECT_EQ(line.rfind(std::string(kOriginalDeclarations[i]) + " -- ", 0), 0u) << line;
  }
}

// --- dispatch

TEST_F(XtraTest, NewAndSelectorsOutsideTheTableDoNothing) {
  moahost::Instance* instance = host_->Create(&kScriptClassID);
  IMoaMmXScript* script = Script(instance);
  ASSERT_NE(script, nullptr);
  MoaMmValue args[2] = {{moahost::kObject, 0}, moahost::Values::Integer(5)};
  const long before = host_->ValueInterface().Calls();
  for (MoaLong selector : {0, kMethods + 1, -1, kMethods + 2, 1000, INT_MIN, INT_MAX}) {
    MoaMmCallInfo call{instance, 0, selector, kSentinel, 2, args};
    EXPECT_EQ(script->Call(&call), kMoaErr_NoErr) << selector;
    EXPECT_TRUE(Untouched(call.resultValue)) << selector;
  }
  typedef MoaError(MOA_CALL * CallFn)(void*, MoaMmCallInfo*);
  MoaMmCallInfo call{instance, 0, kMethods + 1, kSentinel, 2, args};
  EXPECT_EQ(Slot<CallFn>(script, 3)(script, &call), kMoaErr_NoErr);
  EXPECT_EQ(host_->ValueInterface().Calls(), before);
  EXPECT_EQ(script->Call(nullptr), kMoaErr_BadParam);
  script->Release();
  instance->Release();
}

TEST_F(XtraTest, FewerArgumentsThanDeclaredReadNothingBeyond) {
  moahost::Instance* instance = host_->Create(&kScriptClassID);
  IMoaMmXScript* script = Script(instance);
  ASSERT_NE(script, nullptr);
  // `me` sits at the very end of a page whose successor is inaccessible:
  // any read past nargs faults.
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  char* pages = static_cast<char*>(VirtualAlloc(nullptr, 2 * system.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &old));
  auto* me = reinterpret_cast<MoaMmValue*>(pages + system.dwPageSize - sizeof(MoaMmValue));
  *me = {moahost::kObject, 0};
  for (MoaLong selector = 0; selector <= kMethods + 1; ++selector) {
    // They open windows and wait for a person: handlers_test and shell_test drive those.
    const std::string name = selector >= 1 && selector <= kMethods ? NameOf(kDeclarations[selector - 1]) : "";
    if (name == "kLvOpenFile" || name == "kLvSaveFile" || name == "kLvMessageBox" || name == "kLvBrowseForFolder")
      continue;
    for (MoaLong nargs : {1, 0, -3}) {
      MoaMmCallInfo call{instance, 0, selector, kSentinel, nargs, nargs > 0 ? me : nullptr};
      const MoaError answer = script->Call(&call);
      EXPECT_EQ(answer, kMoaErr_NoErr) << selector;
    }
  }
  VirtualFree(pages, 0, MEM_RELEASE);
  script->Release();
  instance->Release();
}

// Every allocation of a whole session failing in turn (alone, and with all
// after it): no crash, and every block, instance and interface comes back.
TEST(XtraAllocation, FailureAtEveryRequestLeaksNothing) {
  for (bool andLater : {false, true}) {
    for (long n = 1;; ++n) {
      moahost::Host host(XtraPath());
      host.Allocator().FailRequest(n, andLater);
      try {
        if (host.Register() == kMoaErr_NoErr) host.CallMethod("new", {});
      } catch (const moahost::Error&) {
        // a refused allocation may end the session early
      }
      moahost::Instance* instance = host.Create(&kScriptClassID);
      for (int round = 0; round < 2; ++round) {
        void* out = nullptr;
        if (host.GetInterface(instance, IID_IMoaMmXScript, &out) == kMoaErr_NoErr) {
          MoaMmCallInfo call{instance, 0, 0, kSentinel, 1, nullptr};
          EXPECT_EQ(static_cast<IMoaMmXScript*>(out)->Call(&call), kMoaErr_NoErr);
          static_cast<IMoaUnknown*>(out)->Release();
        } else {
          EXPECT_EQ(out, nullptr);
        }
      }
      EXPECT_EQ(instance->RefCount(), 1);
      instance->Release();
      EXPECT_EQ(host.Allocator().Live(), 0) << n;
      EXPECT_EQ(host.Allocator().BadFrees(), 0) << n;
      EXPECT_EQ(host.LiveInstances(), 0) << n;
      EXPECT_EQ(host.CanUnloadNow(), kMoaErr_NoErr) << n;
      EXPECT_EQ(host.ValueInterface().Refs(), 1u) << n;
      if (host.Allocator().Refusals() == 0) {
        EXPECT_GT(n, 4);  // class table, register, script interface, two more
        break;
      }
    }
  }
}

// --- the stand-in host's refusals

TEST_F(XtraTest, HostRefusesWrongCallsBeforeCalling) {
  ASSERT_EQ(host_->Register(), kMoaErr_NoErr);
  const long requests = host_->Allocator().Requests();
  using moahost::Literal;
  const Literal text{true, "C:\\x", 0};
  const Literal number{false, "", 3};
  EXPECT_THROW(host_->CallMethod("kLvNoSuchMethod", {}), moahost::Refused);
  EXPECT_THROW(host_->CallMethod("kLvDoesFileExist", {}), moahost::Refused);
  EXPECT_THROW(host_->CallMethod("kLvDoesFileExist", {text, text}), moahost::Refused);
  EXPECT_THROW(host_->CallMethod("kLvDoesFileExist", {number}), moahost::Refused);
  EXPECT_THROW(host_->CallMethod("kLvReadRegInteger", {text, text, text, text, text}), moahost::Refused);
  EXPECT_EQ(host_->Allocator().Requests(), requests);  // no instance, no interface, no call
  EXPECT_EQ(host_->ValueInterface().Refs(), 1u);
  const auto result = host_->CallMethod("NEW", {});
  EXPECT_EQ(result.error, kMoaErr_NoErr);
  EXPECT_EQ(host_->ValueInterface().Show(result.result), "<Void>");
}

// --- the moahost program

namespace {

ProcessResult Moahost(const std::string& arguments) {
  return RunProcess("\"" + BinDir() + "\\moahost.exe\" " + arguments);
}

}  // namespace

TEST(MoaHostProgram, ListsTheMethodsWithTheirSelectors) {
  const auto run = Moahost("\"" + XtraPath() + "\"");
  EXPECT_EQ(run.exitCode, 0);
  const auto lines = Lines(run.output);
  ASSERT_EQ(lines.size(), 2u + kMethods) << run.output;
  EXPECT_EQ(lines[0], "xtra kLvTools");
  EXPECT_EQ(lines[1], "0 new object me");
  for (int i = 0; i < kMethods; ++i)
    EXPECT_EQ(lines[2 + i].rfind(std::to_string(i + 1) + " " + kDeclarations[i] + " -- ", 0), 0u) << lines[2 + i];
}

TEST(MoaHostProgram, CallsAndRefuses) {
  const std::string xtra = " \"" + XtraPath() + "\" ";
  auto run = Moahost(xtra + "new");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "<Void>\n");
  EXPECT_EQ(Moahost("--no-value" + xtra + "new").output, "<Void>\n");
  // The appended methods, called as Lingo calls them.
  EXPECT_EQ(Moahost(xtra + "kLvRunProgram \"C:\\klv-missing.exe\" \"\" \"normal\" 1").output, "-1\n");
  EXPECT_EQ(Moahost(xtra + "kLvShellExecute \"\" \"C:\\klv-missing.txt\" \"\" \"\" \"hidden\"").output, "2\n");
  EXPECT_EQ(Moahost(xtra + "kLvCopyFileProgress \"C:\\klv-missing\\*.*\" \"C:\\klv-x\\\" \"\"").output, "2\n");
  EXPECT_EQ(Moahost("--no-value" + xtra + "kLvDoesFileExist \"C:\\\"").exitCode, 3);  // the Xtra's error
  run = Moahost(xtra + "kLvGetDriveInfo \"c:\", \"Type\"");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "\"fixed\"\n");
  EXPECT_EQ(Moahost(xtra + "kLvGetSpecialFolder \"NoSuchFolder\"").output, "\"-1\"\n");
  EXPECT_EQ(Moahost(xtra + "kLvDeleteFile \"\"").output, "1\n");

  for (const char* bad : {"kLvNoSuchMethod", "kLvDoesFileExist", "kLvDoesFileExist 12",
                          "kLvDoesFileExist \"a\" \"b\"", "kLvDoesFileExist \"open", "kLvDoesFileExist C:\\x"}) {
    run = Moahost(xtra + bad);
    EXPECT_EQ(run.exitCode, 2) << bad;
    EXPECT_EQ(run.output, "") << bad;
  }
  EXPECT_EQ(Moahost("--bogus" + xtra).exitCode, 2);
  EXPECT_EQ(Moahost("\"" + BinDir() + "\\no such.x32\"").exitCode, 1);
  EXPECT_EQ(Moahost("\"" + BinDir() + "\\kLv_Tool.dll\"").exitCode, 1);  // not an Xtra
}

TEST(MoaHostProgram, AllocationFailuresEndCleanly) {
  const std::string xtra = " \"" + XtraPath() + "\" new";
  EXPECT_EQ(Moahost("--fail-alloc=1" + xtra).exitCode, 1);  // the class table
  EXPECT_EQ(Moahost("--fail-alloc=2" + xtra).exitCode, 3);  // Register's interface
  EXPECT_EQ(Moahost("--fail-alloc=3" + xtra).exitCode, 1);  // the script interface
  EXPECT_EQ(Moahost("--fail-alloc=4" + xtra).exitCode, 0);
  EXPECT_EQ(Moahost("--fail-alloc-from=2" + xtra).exitCode, 3);
}

// --- the host's encoding, chosen per instance from IMoaAppInfo

TEST(XtraHostText, Utf8OnlyForDirector11AndLater) {
  struct Case {
    const char* product;
    const char* version;
    bool appInfo;
    UINT codePage;
  } const cases[] = {
      {"Director", "11.5", true, CP_UTF8},  {"Director", "12.0", true, CP_UTF8},  {"Director", "11", true, CP_UTF8},
      {"Director", "110.1", true, CP_UTF8}, {"Director", "4294967306", true, CP_UTF8},
      {"Director", "10.1", true, CP_ACP},   {"Director", "5.0a", true, CP_ACP},   {"Director", "1.12", true, CP_ACP},
      {"Director", "abc", true, CP_ACP},    {"Director", "", true, CP_ACP},       {"Director", " 12.0", true, CP_ACP},
      {"Shockwave", "11.5", true, CP_ACP},  {"Director", "12.0", false, CP_ACP},
  };
  for (const Case& c : cases) {
    moahost::Options options;
    options.product = c.product, options.version = c.version, options.refuseAppInfo = !c.appInfo;
    moahost::Host host(XtraPath(), options);
    moahost::Instance* instance = host.Create(&kScriptClassID);
    EXPECT_EQ(*instance->Field<UINT>(28), c.codePage) << c.product << " " << c.version;
    EXPECT_EQ(options.CodePage(), c.codePage) << "moahost speaks otherwise: " << c.version;
    EXPECT_EQ(host.AppInfoInterface().Refs(), 1u);  // asked and released
    instance->Release();
  }
}

// This test's command line is ANSI, its environment Unicode: moahost reads
// its command line as Unicode, hands texts over in the presented version's
// encoding and prints UTF-8 whatever the version.
TEST(MoaHostProgram, HandsTextsOverInTheVersionsEncodingAndPrintsUtf8) {
  const std::string xtra = " \"" + XtraPath() + "\" ";
  std::wstring wide = L"\u8868\u30BD\u80FD";  // a name the system code page holds
  if (GetACP() != 932) wide = L"J\u00FCrgen";
  const std::string ansi = moahost::Recode(moahost::Utf8(wide), CP_UTF8, CP_ACP);
  SavedVariable unicode("KLV_MOA_UNICODE"), held("KLV_MOA_ANSI");
  ASSERT_TRUE(SetEnvironmentVariableW(L"KLV_MOA_UNICODE", L"Ωμέγα 日本 🎵"));
  ASSERT_TRUE(SetEnvironmentVariableW(L"KLV_MOA_ANSI", wide.c_str()));
  for (const char* director : {"", "--director 11.5"})
    EXPECT_EQ(Moahost(director + xtra + "kLvGetEnvironmentVariable \"KLV_MOA_UNICODE\"").output, "\"Ωμέγα 日本 🎵\"\n");
  EXPECT_EQ(Moahost("--director 10" + xtra + "kLvGetEnvironmentVariable \"KLV_MOA_ANSI\"").output,
            "\"" + moahost::Utf8(wide) + "\"\n");
  EXPECT_EQ(Moahost("--director 10" + xtra + "kLvGetEnvironmentVariable \"KLV_MOA_UNICODE\"").output.find('?'),
            std::string::npos);

  TempDir dir;
  const std::wstring folder = moahost::Utf16(dir.Path()) + L"\\" + wide;
  EXPECT_EQ(Moahost("--director 11.5" + xtra + "kLvCreateDirectory \"" + dir / ansi + "\"").output, "0\n");
  EXPECT_NE(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Moahost("--director 10" + xtra + "kLvRemoveDirectory \"" + dir / ansi + "\"").output, "0\n");
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Moahost("--director" + xtra).exitCode, 2);
}
