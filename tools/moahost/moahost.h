// A stand-in for the Director host: loads a scripting Xtra, reads its class
// table, registers it, parses its Lingo method table, creates instances
// with the host's object header and calls methods by name. Everything the
// Xtra calls back (allocator, callback, cache, dictionaries, values, the
// application facts) is ours, laid out as the host's, and counts what a test
// needs to see. It presents itself as a chosen Director version and hands
// texts over in that version's encoding (Options).
#ifndef KLV_MOAHOST_H
#define KLV_MOAHOST_H

#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "moa.h"

namespace moahost {

// A host failure (missing export, malformed table, unexpected answer).
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A call the host refuses before making it: unknown method, bad literal,
// wrong argument count or type.
class Refused : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

std::string HexCode(MoaError code);  // "0x80040005"
std::string IdText(const MoaID& id);  // "{AC3E7803-0002-8FE5-0000-080007160DC3}"

// IMoaCalloc over the process heap, counting live blocks; it can be told
// to refuse allocations so that every failure path can be reached.
class Calloc final : public IMoaCalloc {
 public:
  MoaError MOA_CALL QueryInterface(const MoaID* iid, void** out) override;
  MoaUlong MOA_CALL AddRef() override { return ++refs_; }
  MoaUlong MOA_CALL Release() override { return --refs_; }
  void* MOA_CALL NRAlloc(MoaUlong size) override;
  void MOA_CALL NRFree(void* block) override;

  long Live() const { return live_; }            // blocks not yet freed
  long Requests() const { return requests_; }    // NRAlloc calls so far
  MoaUlong LastSize() const { return lastSize_; }
  long Refusals() const { return refusals_; }
  long BadFrees() const { return badFrees_; }    // NRFree of a block not ours
  // Refuses request number `n` (counted from 1 over the object's life) and,
  // with `andLater`, every one after it; 0 refuses none.
  void FailRequest(long n, bool andLater = false) { failAt_ = n, failLater_ = andLater; }

 private:
  MoaUlong refs_ = 1;
  long live_ = 0, requests_ = 0, refusals_ = 0, badFrees_ = 0;
  MoaUlong lastSize_ = 0;
  long failAt_ = 0;
  bool failLater_ = false;
  std::map<void*, MoaUlong> blocks_;
};

// Our value encoding: void, integers, strings (kept by the host until it
// ends, like the strings Lingo keeps), and the object "me".
enum ValueType : MoaLong { kVoid = 0x564F4944, kInteger = 0x494E5447, kString = 0x53545247, kObject = 0x4F424A54 };

class Values final : public IMoaMmValue {
 public:
  MoaError MOA_CALL QueryInterface(const MoaID* iid, void** out) override;
  MoaUlong MOA_CALL AddRef() override { return ++refs_; }
  MoaUlong MOA_CALL Release() override { return --refs_; }
  MoaError MOA_CALL StringToSymbol(const char*, MoaLong*) override { return Unused(); }
  MoaError MOA_CALL SymbolToString(MoaLong, char*, MoaLong) override { return Unused(); }
  MoaError MOA_CALL ValueType(const MoaMmValue* value, MoaLong* type) override;
  MoaError MOA_CALL ValueAddRef(MoaMmValue*) override { return kMoaErr_NoErr; }
  MoaError MOA_CALL ValueRelease(MoaMmValue*) override { return kMoaErr_NoErr; }
  MoaError MOA_CALL ValueToInteger(const MoaMmValue* value, MoaLong* out) override;
  MoaError MOA_CALL ValueToSymbol(const MoaMmValue*, MoaLong*) override { return Unused(); }
  MoaError MOA_CALL ValueToFloat(const MoaMmValue*, double*) override { return Unused(); }
  MoaError MOA_CALL ValueStringLength(const MoaMmValue* value, MoaLong* length) override;
  MoaError MOA_CALL ValueToString(const MoaMmValue* value, char* buf, MoaLong size) override;
  MoaError MOA_CALL ValueToStringPtr(const MoaMmValue*, const char**) override { return Unused(); }
  MoaError MOA_CALL ValueReleaseStringPtr(const MoaMmValue*) override { return Unused(); }
  MoaError MOA_CALL ValueToPoint(const MoaMmValue*, void*) override { return Unused(); }
  MoaError MOA_CALL ValueToRect(const MoaMmValue*, void*) override { return Unused(); }
  MoaError MOA_CALL IntegerToValue(MoaLong number, MoaMmValue* out) override;
  MoaError MOA_CALL SymbolToValue(MoaLong, MoaMmValue*) override { return Unused(); }
  MoaError MOA_CALL FloatToValue(double, MoaMmValue*) override { return Unused(); }
  MoaError MOA_CALL StringToValue(const char* text, MoaMmValue* out) override;
  MoaError MOA_CALL StringHandleToValue(void*, MoaMmValue*) override { return Unused(); }
  MoaError MOA_CALL PointToValue(const void*, MoaMmValue*) override { return Unused(); }
  MoaError MOA_CALL RectToValue(const void*, MoaMmValue*) override { return Unused(); }

  MoaUlong Refs() const { return refs_; }
  long Calls() const { return calls_; }      // every method after AddRef/Release
  long Unknowns() const { return unknown_; } // values handed in that we never made

  static MoaMmValue Void() { return {kVoid, 0}; }
  static MoaMmValue Integer(MoaLong n) { return {kInteger, n}; }
  MoaMmValue String(const std::string& text);
  // The value as Lingo shows it: 42, "text", <Void>.
  std::string Show(const MoaMmValue& value) const;
  bool IsString(const MoaMmValue& value) const;
  std::string Text(const MoaMmValue& value) const;  // a string value's text

 private:
  MoaError Unused() { ++calls_; return kMoaErr_NotImplemented; }
  const std::string* Find(const MoaMmValue& value) const;

  MoaUlong refs_ = 1;
  long calls_ = 0;
  mutable long unknown_ = 0;
  std::deque<std::string> strings_;
};

// A dictionary of typed entries by key: an Xtra entry or a registry entry.
class Dict final : public IMoaDict {
 public:
  struct Entry {
    MoaDictTypeID type;
    std::string bytes;  // a C string is kept with its NUL
    int puts = 0;
  };
  MoaError MOA_CALL QueryInterface(const MoaID* iid, void** out) override;
  MoaUlong MOA_CALL AddRef() override { return ++refs_; }
  MoaUlong MOA_CALL Release() override { return --refs_; }
  MoaError MOA_CALL SetSize(MoaUlong) override { return kMoaErr_NotImplemented; }
  MoaError MOA_CALL MakeDict(IMoaDict**, const char*) override { return kMoaErr_NotImplemented; }
  MoaError MOA_CALL Get(MoaDictTypeID type, void* buf, MoaLong size, const char* key) override;
  MoaError MOA_CALL Put(MoaDictTypeID type, const void* buf, MoaLong size, const char* key) override;
  MoaError MOA_CALL Remove(const char*) override { return kMoaErr_NotImplemented; }
  MoaError MOA_CALL Count(MoaUlong* count) override;
  MoaError MOA_CALL GetNth(MoaUlong, MoaDictTypeID*, MoaLong*, const char**) override { return kMoaErr_NotImplemented; }
  MoaError MOA_CALL GetInfo(MoaDictTypeID* type, MoaLong* size, const char* key) override;
  // The dictionary's own lasting copy of the key, held or not.
  const char* MOA_CALL FindKey(const char* key) override;

  MoaUlong Refs() const { return refs_; }
  const std::map<std::string, Entry>& Entries() const { return entries_; }
  MoaError putAnswer = kMoaErr_NoErr;  // a test may make Put fail

 private:
  MoaUlong refs_ = 1;
  std::map<std::string, Entry> entries_;
  std::set<std::string> keys_;  // FindKey's copies
};

// The host's registry: one entry dictionary per AddRegistryEntry.
class Cache final : public IMoaCache {
 public:
  struct RegistryEntry {
    IMoaDict* xtraDict;
    MoaID classID;
    MoaID iid;
    std::unique_ptr<Dict> dict;
  };
  MoaError MOA_CALL QueryInterface(const MoaID* iid, void** out) override;
  MoaUlong MOA_CALL AddRef() override { return ++refs_; }
  MoaUlong MOA_CALL Release() override { return --refs_; }
  MoaError MOA_CALL EnumerateFileEntries(MoaCacheFileEntryEnumProc, void*) override { return kMoaErr_NotImplemented; }
  MoaError MOA_CALL EnumerateXtraEntries(MoaCacheXtraEntryEnumProc, void*) override { return kMoaErr_NotImplemented; }
  MoaError MOA_CALL EnumerateRegistryEntries(MoaCacheRegistryEntryEnumProc, void*) override {
    return kMoaErr_NotImplemented;
  }
  MoaError MOA_CALL SetXtraEntryNoncacheable(IMoaDict*) override { return kMoaErr_NotImplemented; }
  MoaError MOA_CALL AddRegistryEntry(IMoaDict* xtraDict, const MoaID* classID, const MoaID* iid,
                                     IMoaDict** out) override;
  MoaError MOA_CALL GetInstanceFromRegistry(IMoaDict*, const MoaID*, void**) override { return kMoaErr_NotImplemented; }
  MoaError MOA_CALL CreateNewInstanceFromRegistry(IMoaDict*, const MoaID*, void**) override {
    return kMoaErr_NotImplemented;
  }
  MoaError MOA_CALL EnumerateRegistryEntriesFromFile(ConstPMoaSystemFileSpec, MoaLong,
                                                     MoaCacheRegistryEntryEnumFromFileProc, void*) override {
    return kMoaErr_NotImplemented;
  }
  MoaError MOA_CALL GetFileSpecFromFileDict(IMoaDict*, PMoaSystemFileSpec, MoaLong) override {
    return kMoaErr_NotImplemented;
  }

  MoaUlong Refs() const { return refs_; }
  const std::vector<RegistryEntry>& Entries() const { return entries_; }
  MoaError addAnswer = kMoaErr_NoErr;  // a test may make AddRegistryEntry fail
  MoaError entryPutAnswer = kMoaErr_NoErr;  // ... or Put on the entries it makes

 private:
  MoaUlong refs_ = 1;
  std::vector<RegistryEntry> entries_;
};

class Host;

// IMoaAppInfo: the product and its version as the options give them, the
// run mode "Author"; NoSuchKey for every other item.
class AppInfo final : public IMoaAppInfo {
 public:
  explicit AppInfo(Host& host) : host_(host) {}
  MoaError MOA_CALL QueryInterface(const MoaID* iid, void** out) override;
  MoaUlong MOA_CALL AddRef() override { return ++refs_; }
  MoaUlong MOA_CALL Release() override { return --refs_; }
  MoaError MOA_CALL GetInfo(MoaLong item, char* buf, MoaLong size) override;

  MoaUlong Refs() const { return refs_; }

 private:
  Host& host_;
  MoaUlong refs_ = 1;
};

// IMoaCallback: hands out the value interface and the application facts
// unless told to refuse them.
class Callback final : public IMoaCallback {
 public:
  explicit Callback(Host& host) : host_(host) {}
  MoaError MOA_CALL QueryInterface(const MoaID* iid, void** out) override;
  MoaUlong MOA_CALL AddRef() override { return ++refs_; }
  MoaUlong MOA_CALL Release() override { return --refs_; }
  MoaError MOA_CALL MoaCreateInstance(const MoaID*, const MoaID*, void**) override { return kMoaErr_NotImplemented; }
  IMoaCache* MOA_CALL MoaGetCache() override;
  // The Xtra's resources are its module's own: the cookie is the module,
  // and nothing was in use before.
  XtraResourceCookie MOA_CALL MoaBeginUsingResources(MoaFileRef fileRef, XtraResourceCookie* saved) override {
    if (saved) *saved = nullptr;
    return fileRef;
  }
  void MOA_CALL MoaEndUsingResources(MoaFileRef, XtraResourceCookie) override {}

  MoaUlong Refs() const { return refs_; }

 private:
  Host& host_;
  MoaUlong refs_ = 1;
};

// One instance the host made: the 24-byte header, then the Xtra's fields.
// The header's method table is the host's IMoaUnknown: QueryInterface asks
// the Xtra's DllGetInterface; the last Release runs the destroy procedure
// and frees the memory.
class Instance final : public IMoaUnknown {
 public:
  MoaError MOA_CALL QueryInterface(const MoaID* iid, void** out) override;
  MoaUlong MOA_CALL AddRef() override;
  MoaUlong MOA_CALL Release() override;

  MoaLong RefCount() const { return refCount_; }
  void* Object() { return this; }
  template <class T>
  T* Field(std::size_t offset) { return reinterpret_cast<T*>(reinterpret_cast<char*>(this) + offset); }

 private:
  friend class Host;
  Instance() = default;
  ~Instance() = default;

  // These five fields, after the method table, are the header's.
  MoaLong cookie_ = 0;  // our Host*
  IMoaCallback* callback_ = nullptr;
  IMoaCalloc* calloc_ = nullptr;
  const MoaID* classID_ = nullptr;
  MoaLong refCount_ = 0;
};

// The Xtra's five exports.
struct Exports {
  DllGetClassObjectProc getClassObject = nullptr;
  DllCanUnloadNowProc canUnloadNow = nullptr;
  DllGetInterfaceProc getInterface = nullptr;
  DllGetClassFormProc getClassForm = nullptr;
  DllGetClassInfoProc getClassInfo = nullptr;
};

// A declared Lingo method: its selector as numbered by the host.
struct Method {
  std::string name;
  MoaLong selector;
  std::vector<std::string> argTypes;  // declared types after "object me"
  bool hasMe = false;
  std::string line;                   // the declaration as written
};

// The host's parse of a method table: the "xtra" line and "--" comment
// lines skipped, every other line a declaration numbered from 0.
struct MethodTable {
  std::string xtraName;
  std::vector<Method> methods;
  const Method* Find(const std::string& name) const;  // case-insensitive, as Lingo
};
MethodTable ParseMethodTable(const std::string& text);

// A Lingo literal: "text" or a whole number (32-bit).
struct Literal {
  bool isText = false;
  std::string text;
  MoaLong number = 0;
};
// Splits Lingo-style literals separated by blanks or commas; throws
// Refused for an unclosed quote or a word that is not a whole number.
std::vector<Literal> ParseLiterals(const std::string& text);

// A finished call: the Xtra's answer and the result value.
struct CallResult {
  MoaError error = 0;
  MoaMmValue result{};
};

// The Director version the host presents when not told otherwise: 12.0, the
// last release, which authors use today with 11.5 (both speak UTF-8).
constexpr const char* kDefaultDirectorVersion = "12.0";

struct Options {
  bool refuseValue = false;    // the callback offers no IMoaMmValue
  bool refuseAppInfo = false;  // ... nor IMoaAppInfo
  std::string product = "Director";
  std::string version = kDefaultDirectorVersion;
  // The code page of the texts this host hands over and takes back: UTF-8
  // as Director 11 and later, else the system's ANSI code page.
  UINT CodePage() const;
};

// `text` from one code page to another, whole. Strict: Refused when a
// character is not valid in the source or has no place in the target (no
// best fit); otherwise such characters are shown as the platform shows them.
std::string Recode(const std::string& text, UINT from, UINT to, bool strict = true);
// UTF-16 to UTF-8 and back (an unpaired surrogate becomes U+FFFD).
std::string Utf8(const std::wstring& text);
std::wstring Utf16(const std::string& text);

class Host {
 public:
  // Loads the Xtra by path (ANSI, or UTF-16) and binds its five exports
  // (Error if any is missing or the file does not load).
  explicit Host(const std::string& path, Options options = {});
  Host(const std::wstring& path, Options options);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  HMODULE Module() const { return module_; }
  const Exports& Xtra() const { return exports_; }
  Calloc& Allocator() { return calloc_; }
  Values& ValueInterface() { return values_; }
  Callback& CallbackInterface() { return callback_; }
  AppInfo& AppInfoInterface() { return appInfo_; }
  Cache& Registry() { return cache_; }
  Dict& XtraDict() { return xtraDict_; }
  Options& Settings() { return options_; }

  // The class rows of DllGetClassInfo up to the all-zero row; the table is
  // freed through our allocator, as a host does once it has read it.
  std::vector<MoaClassInterfaceInfo> ClassInfo();

  // Makes an instance as the host does: DllGetClassForm, our header, the
  // create procedure. Reference count 1, released by the caller. Error on
  // any failing step.
  Instance* Create(const MoaID* classID);
  // The interface `iid` of an instance through DllGetInterface.
  MoaError GetInterface(Instance* instance, const MoaID& iid, void** out);

  // Registers every class that offers IMoaRegister; the first non-zero
  // answer is returned.
  MoaError Register();
  // The registered method table (Error when there is none).
  std::string MethodTableText() const;
  const Cache::RegistryEntry* ScriptEntry() const;
  MethodTable Methods() const { return ParseMethodTable(MethodTableText()); }

  // The whole call of a method by name with literal arguments, as a Lingo
  // script makes it: the arguments are checked against the declaration
  // (Refused, with no call, on any mismatch), a script instance is made,
  // IMoaMmXScript obtained, Call made with `me` and the arguments, then
  // everything released.
  CallResult CallMethod(const std::string& name, const std::vector<Literal>& args);

  // Instances alive now; DllCanUnloadNow's answer.
  long LiveInstances() const { return liveInstances_; }
  MoaError CanUnloadNow() const { return exports_.canUnloadNow(); }

 private:
  friend class Instance;
  friend class Callback;
  friend class AppInfo;
  Host(std::pair<HMODULE, DWORD> loaded, const std::string& path, Options options);

  HMODULE module_ = nullptr;
  Exports exports_;
  Options options_;
  Calloc calloc_;
  Values values_;
  Cache cache_;
  Dict xtraDict_;
  Callback callback_{*this};
  AppInfo appInfo_{*this};
  long liveInstances_ = 0;
  std::map<Instance*, MoaDestroyProc> destroyers_;
  std::deque<MoaID> classIDs_;  // headers point here for their instance's life
};

}  // namespace moahost

#endif
