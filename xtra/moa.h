// Our declarations of the Director host's component interfaces (MOA) on
// 32-bit Windows: COM layout, __stdcall methods, the host's slot order,
// interface IDs and records byte for byte. Shared by the Xtra and by our
// stand-in host, so both lay everything out the same way.
#ifndef KLV_MOA_H
#define KLV_MOA_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef GetClassInfo
#undef GetClassInfo  // windows.h maps it to GetClassInfoA
#endif

#define MOA_CALL __stdcall

typedef std::int32_t MoaError;
typedef std::int32_t MoaLong;
typedef std::uint32_t MoaUlong;
typedef std::uint8_t MoaBool;  // in records; a method parameter takes 4 bytes

// A 64-bit integer passed by value (8 bytes), laid out as LARGE_INTEGER.
struct MoaWide {
  MoaUlong lo;
  MoaLong hi;
};
static_assert(sizeof(MoaWide) == 8, "MoaWide is 8 bytes");

// On Windows a file name is a path, and an Xtra's file and resource cookie
// are module handles.
typedef char* PMoaSystemFileSpec;
typedef const char* ConstPMoaSystemFileSpec;
typedef HINSTANCE MoaFileRef;
typedef HINSTANCE XtraResourceCookie;

struct MoaID {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};
static_assert(sizeof(MoaID) == 16, "MoaID is a 16-byte GUID");

// All 16 bytes compared; IDs are plain data, never normalised.
inline bool SameID(const MoaID& a, const MoaID& b) { return std::memcmp(&a, &b, sizeof(MoaID)) == 0; }

// Error codes.
constexpr MoaError kMoaErr_NoErr = 0;
constexpr MoaError kMoaErr_BadParam = static_cast<MoaError>(0x80040001);
constexpr MoaError kMoaErr_OutOfMem = static_cast<MoaError>(0x80040002);
constexpr MoaError kMoaErr_XtraInUse = static_cast<MoaError>(0x80040003);
constexpr MoaError kMoaErr_BadInterface = static_cast<MoaError>(0x80040004);
constexpr MoaError kMoaErr_BadClass = static_cast<MoaError>(0x80040005);
constexpr MoaError kMoaErr_NoSuchKey = static_cast<MoaError>(0x80040013);
constexpr MoaError kMoaErr_InternalError = static_cast<MoaError>(0x80040014);
constexpr MoaError kMoaErr_NotImplemented = static_cast<MoaError>(0x80004001);
constexpr MoaError kMoaMmErr_ArgOutOfRange = static_cast<MoaError>(0x800407D8);
constexpr MoaError kMoaMmErr_IntegerExpected = static_cast<MoaError>(0x800407D9);
constexpr MoaError kMoaMmErr_StringExpected = static_cast<MoaError>(0x800407DC);
constexpr MoaError kMoaMmErr_WrongNumberOfArgs = static_cast<MoaError>(0x800407E5);

// Dictionary entry types.
typedef MoaUlong MoaDictTypeID;
constexpr MoaDictTypeID kMoaDictType_Long = 3;
constexpr MoaDictTypeID kMoaDictType_Bool = 6;
constexpr MoaDictTypeID kMoaDictType_MoaID = 7;
constexpr MoaDictTypeID kMoaDictType_Bytes = 8;
constexpr MoaDictTypeID kMoaDictType_CString = 9;

// Interface IDs, as the host publishes them.
constexpr MoaID IID_IMoaUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr MoaID IID_IMoaClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr MoaID IID_IMoaCalloc = {0x3A698C20, 0x39C3, 0x101C, {0x9A, 0x9F, 0x00, 0x00, 0xC0, 0xDD, 0xAA, 0x4B}};
constexpr MoaID IID_IMoaCallback = {0xC00BFC80, 0x3164, 0x101C, {0x9A, 0x9C, 0x00, 0x00, 0xC0, 0xDD, 0xAA, 0x4B}};
constexpr MoaID IID_IMoaCache = {0xAC3E7803, 0x0002, 0x8FE3, {0x00, 0x00, 0x08, 0x00, 0x07, 0x16, 0x0D, 0xC3}};
constexpr MoaID IID_IMoaRegister = {0xAC3E7803, 0x0002, 0x8FE5, {0x00, 0x00, 0x08, 0x00, 0x07, 0x16, 0x0D, 0xC3}};
constexpr MoaID IID_IMoaDict = {0xAC41A018, 0x0013, 0x4760, {0x00, 0x00, 0x08, 0x00, 0x07, 0x37, 0xAF, 0x92}};
constexpr MoaID IID_IMoaMmXScript = {0xAC401FB6, 0x0001, 0xF9B0, {0x00, 0x00, 0x08, 0x00, 0x07, 0x2C, 0x63, 0x26}};
constexpr MoaID IID_IMoaMmValue = {0x151A5780, 0x32BD, 0x11D0, {0x81, 0x51, 0x00, 0xAA, 0x00, 0x5F, 0x3C, 0x08}};
constexpr MoaID IID_IMoaAppInfo = {0xACC7E2B8, 0x000A, 0xB4D0, {0x00, 0x00, 0x08, 0x00, 0x07, 0x16, 0x0D, 0xC3}};

// Records.
struct MoaMmValue {
  MoaLong ty;
  MoaLong it;
};
static_assert(sizeof(MoaMmValue) == 8, "MoaMmValue is two 4-byte fields");

struct MoaMmCallInfo {
  void* xinst;
  MoaLong methodFlags;
  MoaLong methodSelector;
  MoaMmValue resultValue;
  MoaLong nargs;
  MoaMmValue* pArgs;  // [0] is the instance (me), then the declared arguments
};
static_assert(sizeof(MoaMmCallInfo) == 28, "MoaMmCallInfo is 28 bytes");
static_assert(offsetof(MoaMmCallInfo, methodSelector) == 8, "selector at 8");
static_assert(offsetof(MoaMmCallInfo, resultValue) == 12, "result at 12");
static_assert(offsetof(MoaMmCallInfo, nargs) == 20, "nargs at 20");
static_assert(offsetof(MoaMmCallInfo, pArgs) == 24, "pArgs at 24");

struct MoaClassInterfaceInfo {
  MoaID classID;
  MoaUlong classVersion;
  MoaID interfaceID;
  MoaUlong interfaceVersion;
};
static_assert(sizeof(MoaClassInterfaceInfo) == 40, "class rows are 40 bytes");
static_assert(offsetof(MoaClassInterfaceInfo, interfaceID) == 20, "interface ID at 20");
static_assert(offsetof(MoaClassInterfaceInfo, interfaceVersion) == 36, "interface version at 36");

// Interfaces: pure virtual __stdcall methods in the host's slot order. No
// destructors, no overloads: the method table must be exactly these slots.
struct IMoaUnknown {
  virtual MoaError MOA_CALL QueryInterface(const MoaID* iid, void** out) = 0;
  virtual MoaUlong MOA_CALL AddRef() = 0;
  virtual MoaUlong MOA_CALL Release() = 0;
};

struct IMoaCalloc : IMoaUnknown {
  virtual void* MOA_CALL NRAlloc(MoaUlong size) = 0;
  virtual void MOA_CALL NRFree(void* block) = 0;
};

struct IMoaCache;

struct IMoaCallback : IMoaUnknown {
  virtual MoaError MOA_CALL MoaCreateInstance(const MoaID* classID, const MoaID* iid, void** out) = 0;
  virtual IMoaCache* MOA_CALL MoaGetCache() = 0;
  // The Xtra's resources in use until the matching end; answers the cookie
  // that ends it and stores the one it replaced.
  virtual XtraResourceCookie MOA_CALL MoaBeginUsingResources(MoaFileRef fileRef, XtraResourceCookie* saved) = 0;
  virtual void MOA_CALL MoaEndUsingResources(MoaFileRef fileRef, XtraResourceCookie saved) = 0;
};

struct IMoaDict : IMoaUnknown {
  virtual MoaError MOA_CALL SetSize(MoaUlong entries) = 0;
  // A new dictionary stored under `key`; it stays the outer one's.
  virtual MoaError MOA_CALL MakeDict(IMoaDict** made, const char* key) = 0;
  virtual MoaError MOA_CALL Get(MoaDictTypeID type, void* buf, MoaLong size, const char* key) = 0;
  virtual MoaError MOA_CALL Put(MoaDictTypeID type, const void* buf, MoaLong size, const char* key) = 0;
  virtual MoaError MOA_CALL Remove(const char* key) = 0;
  virtual MoaError MOA_CALL Count(MoaUlong* count) = 0;
  // Outs may be null where not wanted.
  virtual MoaError MOA_CALL GetNth(MoaUlong index, MoaDictTypeID* type, MoaLong* size, const char** key) = 0;
  virtual MoaError MOA_CALL GetInfo(MoaDictTypeID* type, MoaLong* size, const char* key) = 0;
  // The dictionary's own copy of `key`, for faster look-ups; null only when
  // out of memory.
  virtual const char* MOA_CALL FindKey(const char* key) = 0;
};

// The procedures the cache's enumerations call for each entry.
typedef MoaError(MOA_CALL* MoaCacheFileEntryEnumProc)(IMoaDict* fileDict, ConstPMoaSystemFileSpec fileSpec,
                                                      MoaWide fileDate, MoaUlong fileType, void* refCon);
typedef MoaError(MOA_CALL* MoaCacheXtraEntryEnumProc)(IMoaDict* xtraDict, void* refCon);
typedef MoaError(MOA_CALL* MoaCacheRegistryEntryEnumProc)(IMoaDict* registryDict, const MoaID* classID,
                                                          const MoaID* iid, void* refCon);
typedef MoaError(MOA_CALL* MoaCacheRegistryEntryEnumFromFileProc)(IMoaDict* fileDict, ConstPMoaSystemFileSpec fileSpec,
                                                                  MoaWide fileDate, MoaUlong fileType,
                                                                  IMoaDict* xtraDict, IMoaDict* registryDict,
                                                                  const MoaID* classID, const MoaID* iid,
                                                                  void* refCon);

struct IMoaCache : IMoaUnknown {
  virtual MoaError MOA_CALL EnumerateFileEntries(MoaCacheFileEntryEnumProc proc, void* refCon) = 0;
  virtual MoaError MOA_CALL EnumerateXtraEntries(MoaCacheXtraEntryEnumProc proc, void* refCon) = 0;
  virtual MoaError MOA_CALL EnumerateRegistryEntries(MoaCacheRegistryEntryEnumProc proc, void* refCon) = 0;
  virtual MoaError MOA_CALL SetXtraEntryNoncacheable(IMoaDict* xtraDict) = 0;
  // The registry entry dictionary answered belongs to the cache.
  virtual MoaError MOA_CALL AddRegistryEntry(IMoaDict* xtraDict, const MoaID* classID, const MoaID* iid,
                                             IMoaDict** out) = 0;
  virtual MoaError MOA_CALL GetInstanceFromRegistry(IMoaDict* registryDict, const MoaID* iid, void** out) = 0;
  virtual MoaError MOA_CALL CreateNewInstanceFromRegistry(IMoaDict* registryDict, const MoaID* iid, void** out) = 0;
  virtual MoaError MOA_CALL EnumerateRegistryEntriesFromFile(ConstPMoaSystemFileSpec fileSpec, MoaLong maxFolderLevels,
                                                             MoaCacheRegistryEntryEnumFromFileProc proc,
                                                             void* refCon) = 0;
  virtual MoaError MOA_CALL GetFileSpecFromFileDict(IMoaDict* fileDict, PMoaSystemFileSpec fileSpec,
                                                    MoaLong fileSpecSize) = 0;
};

struct IMoaRegister : IMoaUnknown {
  virtual MoaError MOA_CALL Register(IMoaCache* cache, IMoaDict* xtraDict) = 0;
};

struct IMoaMmXScript : IMoaUnknown {
  virtual MoaError MOA_CALL Call(MoaMmCallInfo* call) = 0;
};

// The host application's facts, each an item number; the texts are the
// host's (product names are never localised).
constexpr MoaLong kMoaAppInfo_ProductName = 5;     // "Director"
constexpr MoaLong kMoaAppInfo_ProductVersion = 6;  // "10.1", "11.5", "12.0", "5.0a"

struct IMoaAppInfo : IMoaUnknown {
  // The item's text with its NUL into `buf`; BadParam when it does not fit,
  // NoSuchKey when the host does not offer the item.
  virtual MoaError MOA_CALL GetInfo(MoaLong item, char* buf, MoaLong size) = 0;
};

// Only the conversions marked "used" are called by the Xtra; the others keep
// their slots so the table lines up with the host's.
struct IMoaMmValue : IMoaUnknown {
  virtual MoaError MOA_CALL StringToSymbol(const char* text, MoaLong* symbol) = 0;
  virtual MoaError MOA_CALL SymbolToString(MoaLong symbol, char* buf, MoaLong size) = 0;
  virtual MoaError MOA_CALL ValueType(const MoaMmValue* value, MoaLong* type) = 0;
  virtual MoaError MOA_CALL ValueAddRef(MoaMmValue* value) = 0;
  virtual MoaError MOA_CALL ValueRelease(MoaMmValue* value) = 0;
  virtual MoaError MOA_CALL ValueToInteger(const MoaMmValue* value, MoaLong* out) = 0;  // used
  virtual MoaError MOA_CALL ValueToSymbol(const MoaMmValue* value, MoaLong* out) = 0;
  virtual MoaError MOA_CALL ValueToFloat(const MoaMmValue* value, double* out) = 0;
  virtual MoaError MOA_CALL ValueStringLength(const MoaMmValue* value, MoaLong* length) = 0;
  virtual MoaError MOA_CALL ValueToString(const MoaMmValue* value, char* buf, MoaLong size) = 0;  // used
  virtual MoaError MOA_CALL ValueToStringPtr(const MoaMmValue* value, const char** out) = 0;
  virtual MoaError MOA_CALL ValueReleaseStringPtr(const MoaMmValue* value) = 0;
  virtual MoaError MOA_CALL ValueToPoint(const MoaMmValue* value, void* out) = 0;
  virtual MoaError MOA_CALL ValueToRect(const MoaMmValue* value, void* out) = 0;
  virtual MoaError MOA_CALL IntegerToValue(MoaLong number, MoaMmValue* out) = 0;  // used
  virtual MoaError MOA_CALL SymbolToValue(MoaLong symbol, MoaMmValue* out) = 0;
  virtual MoaError MOA_CALL FloatToValue(double number, MoaMmValue* out) = 0;
  virtual MoaError MOA_CALL StringToValue(const char* text, MoaMmValue* out) = 0;  // used
  virtual MoaError MOA_CALL StringHandleToValue(void* handle, MoaMmValue* out) = 0;
  virtual MoaError MOA_CALL PointToValue(const void* point, MoaMmValue* out) = 0;
  virtual MoaError MOA_CALL RectToValue(const void* rect, MoaMmValue* out) = 0;
};

// The header the host puts at the start of every instance it creates. The
// host fills it; an Xtra reads it and never writes it. Own fields follow.
struct MoaObjectHeader {
  const void* unknownTable;  // the host's IMoaUnknown method table
  MoaLong cookie;
  IMoaCallback* pCallback;
  IMoaCalloc* pCalloc;
  const MoaID* pClassID;
  MoaLong refCount;
};
static_assert(sizeof(MoaObjectHeader) == 24, "the object header is 24 bytes");
constexpr MoaLong kMoaObjectHeaderSize = sizeof(MoaObjectHeader);

// The module's entry points and the procedures they hand out.
typedef MoaError(MOA_CALL* MoaCreateProc)(void* object);
typedef void(MOA_CALL* MoaDestroyProc)(void* object);
typedef MoaError(MOA_CALL* DllGetClassObjectProc)(const MoaID* classID, const MoaID* iid, void** out);
typedef MoaError(MOA_CALL* DllCanUnloadNowProc)();
typedef MoaError(MOA_CALL* DllGetInterfaceProc)(void* object, const MoaID* classID, const MoaID* iid, void** out);
typedef MoaError(MOA_CALL* DllGetClassFormProc)(const MoaID* classID, MoaLong* objectSize, MoaCreateProc* create,
                                                MoaDestroyProc* destroy);
typedef MoaError(MOA_CALL* DllGetClassInfoProc)(IMoaCalloc* calloc, const MoaClassInterfaceInfo** out);

#endif
