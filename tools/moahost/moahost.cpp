#include "moahost.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace moahost {

namespace {

bool Same(const MoaID* a, const MoaID& b) { return a && SameID(*a, b); }

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

template <class Self>
MoaError Offer(Self* self, const MoaID* iid, const MoaID& own, void** out) {
  if (!out) return kMoaErr_BadParam;
  if (Same(iid, IID_IMoaUnknown) || Same(iid, own)) {
    self->AddRef();
    *out = self;
    return kMoaErr_NoErr;
  }
  *out = nullptr;
  return kMoaErr_BadInterface;
}

}  // namespace

std::string HexCode(MoaError code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(static_cast<MoaUlong>(code)));
  return text;
}

std::string IdText(const MoaID& id) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(id.data1), id.data2, id.data3, id.data4[0], id.data4[1], id.data4[2],
                id.data4[3], id.data4[4], id.data4[5], id.data4[6], id.data4[7]);
  return text;
}

// Calloc

MoaError MOA_CALL Calloc::QueryInterface(const MoaID* iid, void** out) { return Offer(this, iid, IID_IMoaCalloc, out); }

void* MOA_CALL Calloc::NRAlloc(MoaUlong size) {
  ++requests_;
  lastSize_ = size;
  if (failAt_ > 0 && (requests_ == failAt_ || (failLater_ && requests_ > failAt_))) {
    ++refusals_;
    return nullptr;
  }
  void* block = std::calloc(1, size ? size : 1);
  if (!block) return nullptr;
  blocks_[block] = size;
  ++live_;
  return block;
}

void MOA_CALL Calloc::NRFree(void* block) {
  if (!block) return;
  auto found = blocks_.find(block);
  if (found == blocks_.end()) {
    ++badFrees_;  // never free what we did not hand out
    return;
  }
  std::memset(block, 0xDD, found->second);  // a use after free shows
  std::free(block);
  blocks_.erase(found);
  --live_;
}

// Values

MoaError MOA_CALL Values::QueryInterface(const MoaID* iid, void** out) {
  ++calls_;
  return Offer(this, iid, IID_IMoaMmValue, out);
}

MoaMmValue Values::String(const std::string& text) {
  strings_.push_back(text);
  return {kString, static_cast<MoaLong>(strings_.size())};
}

const std::string* Values::Find(const MoaMmValue& value) const {
  if (value.ty != kString || value.it < 1 || static_cast<std::size_t>(value.it) > strings_.size()) return nullptr;
  return &strings_[value.it - 1];
}

bool Values::IsString(const MoaMmValue& value) const { return Find(value) != nullptr; }

std::string Values::Text(const MoaMmValue& value) const {
  const std::string* text = Find(value);
  return text ? *text : std::string();
}

std::string Values::Show(const MoaMmValue& value) const {
  switch (value.ty) {
    case kVoid: return "<Void>";
    case kInteger: return std::to_string(value.it);
    case kObject: return "<Object>";
    case kString:
      if (const std::string* text = Find(value)) return "\"" + *text + "\"";
      break;
  }
  return "<Unknown " + HexCode(value.ty) + " " + HexCode(value.it) + ">";
}

MoaError MOA_CALL Values::ValueType(const MoaMmValue* value, MoaLong* type) {
  ++calls_;
  if (!value || !type) return kMoaErr_BadParam;
  *type = value->ty;
  return kMoaErr_NoErr;
}

MoaError MOA_CALL Values::ValueToInteger(const MoaMmValue* value, MoaLong* out) {
  ++calls_;
  if (!value || !out) return kMoaErr_BadParam;
  if (value->ty != kInteger) {
    if (value->ty != kString && value->ty != kVoid && value->ty != kObject) ++unknown_;
    return kMoaMmErr_IntegerExpected;  // the out keeps what it held
  }
  *out = value->it;
  return kMoaErr_NoErr;
}

MoaError MOA_CALL Values::ValueStringLength(const MoaMmValue* value, MoaLong* length) {
  ++calls_;
  if (!value || !length) return kMoaErr_BadParam;
  const std::string* text = Find(*value);
  if (!text) return kMoaMmErr_StringExpected;
  *length = static_cast<MoaLong>(text->size());
  return kMoaErr_NoErr;
}

// Like a real host, refuses anything but a string: an Xtra must not rely on
// the text form of an integer. The buffer is left as it was on failure.
MoaError MOA_CALL Values::ValueToString(const MoaMmValue* value, char* buf, MoaLong size) {
  ++calls_;
  if (!value || !buf || size <= 0) return kMoaErr_BadParam;
  const std::string* text = Find(*value);
  if (!text) {
    if (value->ty != kInteger && value->ty != kVoid && value->ty != kObject) ++unknown_;
    return kMoaMmErr_StringExpected;
  }
  const std::size_t count = std::min<std::size_t>(text->size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buf, text->data(), count);
  buf[count] = '\0';
  return kMoaErr_NoErr;
}

MoaError MOA_CALL Values::IntegerToValue(MoaLong number, MoaMmValue* out) {
  ++calls_;
  if (!out) return kMoaErr_BadParam;
  *out = Integer(number);
  return kMoaErr_NoErr;
}

MoaError MOA_CALL Values::StringToValue(const char* text, MoaMmValue* out) {
  ++calls_;
  if (!text || !out) return kMoaErr_BadParam;
  *out = String(text);
  return kMoaErr_NoErr;
}

// Options and texts

UINT Options::CodePage() const {
  const bool director11 = !refuseAppInfo && product == "Director" &&
                          std::isdigit(static_cast<unsigned char>(version.c_str()[0])) &&
                          std::strtol(version.c_str(), nullptr, 10) >= 11;
  return director11 ? CP_UTF8 : CP_ACP;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &result[0], length, nullptr, nullptr);
  return result;
}

std::wstring Utf16(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring result(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &result[0], length);
  return result;
}

std::string Recode(const std::string& text, UINT from, UINT to, bool strict) {
  if (from == to || text.empty()) return text;
  if (from == CP_ACP) from = GetACP();  // named by number in the messages
  if (to == CP_ACP) to = GetACP();
  const int size = static_cast<int>(text.size());
  const DWORD in = strict ? MB_ERR_INVALID_CHARS : 0;
  const int wideLength = MultiByteToWideChar(from, in, text.data(), size, nullptr, 0);
  if (wideLength <= 0) throw Refused("not a valid text in code page " + std::to_string(from));
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(from, in, text.data(), size, &wide[0], wideLength);
  const DWORD out = to == CP_UTF8 || !strict ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lost = FALSE;
  BOOL* lostOut = to == CP_UTF8 || !strict ? nullptr : &lost;
  const int length = WideCharToMultiByte(to, out, wide.data(), wideLength, nullptr, 0, nullptr, lostOut);
  std::string result(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) WideCharToMultiByte(to, out, wide.data(), wideLength, &result[0], length, nullptr, lostOut);
  if (length <= 0 || lost) throw Refused("the text has characters that code page " + std::to_string(to) + " cannot hold");
  return result;
}

// Dict

MoaError MOA_CALL Dict::QueryInterface(const MoaID* iid, void** out) { return Offer(this, iid, IID_IMoaDict, out); }

MoaError MOA_CALL Dict::Put(MoaDictTypeID type, const void* buf, MoaLong size, const char* key) {
  if (!buf || !key || size < 0) return kMoaErr_BadParam;
  if (putAnswer != kMoaErr_NoErr) return putAnswer;
  std::string bytes;
  if (type == kMoaDictType_CString) {
    // The length comes from the NUL; a size, when given, bounds the text.
    const char* text = static_cast<const char*>(buf);
    bytes = size > 0 ? std::string(text, strnlen(text, static_cast<std::size_t>(size))) : std::string(text);
    bytes.push_back('\0');
  } else {
    bytes.assign(static_cast<const char*>(buf), static_cast<std::size_t>(size));
  }
  Entry& entry = entries_[key];
  entry.type = type;
  entry.bytes = bytes;
  ++entry.puts;
  return kMoaErr_NoErr;
}

MoaError MOA_CALL Dict::Get(MoaDictTypeID type, void* buf, MoaLong size, const char* key) {
  if (!buf || !key || size < 0) return kMoaErr_BadParam;
  auto found = entries_.find(key);
  if (found == entries_.end() || found->second.type != type) return kMoaErr_BadParam;
  if (static_cast<std::size_t>(size) < found->second.bytes.size()) return kMoaErr_BadParam;
  std::memcpy(buf, found->second.bytes.data(), found->second.bytes.size());
  return kMoaErr_NoErr;
}

MoaError MOA_CALL Dict::Count(MoaUlong* count) {
  if (!count) return kMoaErr_BadParam;
  *count = static_cast<MoaUlong>(entries_.size());
  return kMoaErr_NoErr;
}

MoaError MOA_CALL Dict::GetInfo(MoaDictTypeID* type, MoaLong* size, const char* key) {
  if (!key) return kMoaErr_BadParam;
  auto found = entries_.find(key);
  if (found == entries_.end()) return kMoaErr_BadParam;
  if (type) *type = found->second.type;
  if (size) *size = static_cast<MoaLong>(found->second.bytes.size());
  return kMoaErr_NoErr;
}

const char* MOA_CALL Dict::FindKey(const char* key) {
  if (!key) return nullptr;
  return keys_.insert(key).first->c_str();
}

// Cache

MoaError MOA_CALL Cache::QueryInterface(const MoaID* iid, void** out) { return Offer(this, iid, IID_IMoaCache, out); }

MoaError MOA_CALL Cache::AddRegistryEntry(IMoaDict* xtraDict, const MoaID* classID, const MoaID* iid,
                                          IMoaDict** out) {
  if (!classID || !iid || !out) return kMoaErr_BadParam;
  *out = nullptr;
  if (addAnswer != kMoaErr_NoErr) return addAnswer;
  entries_.push_back(RegistryEntry{xtraDict, *classID, *iid, std::make_unique<Dict>()});
  entries_.back().dict->putAnswer = entryPutAnswer;
  *out = entries_.back().dict.get();  // the cache keeps it; no reference for the caller
  return kMoaErr_NoErr;
}

// Callback

MoaError MOA_CALL Callback::QueryInterface(const MoaID* iid, void** out) {
  if (!out) return kMoaErr_BadParam;
  if (Same(iid, IID_IMoaMmValue)) {
    if (host_.options_.refuseValue) {
      *out = nullptr;
      return kMoaErr_BadInterface;
    }
    host_.values_.AddRef();
    *out = static_cast<IMoaMmValue*>(&host_.values_);
    return kMoaErr_NoErr;
  }
  if (Same(iid, IID_IMoaAppInfo)) {
    if (host_.options_.refuseAppInfo) {
      *out = nullptr;
      return kMoaErr_BadInterface;
    }
    host_.appInfo_.AddRef();
    *out = static_cast<IMoaAppInfo*>(&host_.appInfo_);
    return kMoaErr_NoErr;
  }
  if (Same(iid, IID_IMoaCalloc)) {
    host_.calloc_.AddRef();
    *out = static_cast<IMoaCalloc*>(&host_.calloc_);
    return kMoaErr_NoErr;
  }
  return Offer(this, iid, IID_IMoaCallback, out);
}

// AppInfo

MoaError MOA_CALL AppInfo::QueryInterface(const MoaID* iid, void** out) { return Offer(this, iid, IID_IMoaAppInfo, out); }

MoaError MOA_CALL AppInfo::GetInfo(MoaLong item, char* buf, MoaLong size) {
  std::string text;
  switch (item) {
    case 1: text = "Author"; break;
    case kMoaAppInfo_ProductName: text = host_.options_.product; break;
    case kMoaAppInfo_ProductVersion: text = host_.options_.version; break;
    default: return kMoaErr_NoSuchKey;
  }
  if (!buf || size <= 0 || text.size() >= static_cast<std::size_t>(size)) return kMoaErr_BadParam;
  std::memcpy(buf, text.c_str(), text.size() + 1);
  return kMoaErr_NoErr;
}

IMoaCache* MOA_CALL Callback::MoaGetCache() { return &host_.cache_; }

// Instance

static_assert(sizeof(Instance) == sizeof(MoaObjectHeader), "our header is the host's 24 bytes");

MoaError MOA_CALL Instance::QueryInterface(const MoaID* iid, void** out) {
  if (!out) return kMoaErr_BadParam;
  if (Same(iid, IID_IMoaUnknown)) {
    AddRef();
    *out = this;
    return kMoaErr_NoErr;
  }
  *out = nullptr;
  if (!iid) return kMoaErr_BadParam;
  Host* host = reinterpret_cast<Host*>(cookie_);
  return host->exports_.getInterface(this, classID_, iid, out);
}

MoaUlong MOA_CALL Instance::AddRef() { return static_cast<MoaUlong>(++refCount_); }

MoaUlong MOA_CALL Instance::Release() {
  const MoaLong refs = --refCount_;
  if (refs == 0) {
    Host* host = reinterpret_cast<Host*>(cookie_);
    auto found = host->destroyers_.find(this);
    MoaDestroyProc destroy = found->second;
    host->destroyers_.erase(found);
    destroy(this);
    this->~Instance();
    std::free(this);
    --host->liveInstances_;
  }
  return static_cast<MoaUlong>(refs);
}

// Method table and literals

const Method* MethodTable::Find(const std::string& name) const {
  for (const Method& method : methods)
    if (SameNoCase(method.name, name)) return &method;
  return nullptr;
}

MethodTable ParseMethodTable(const std::string& text) {
  MethodTable table;
  MoaLong selector = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.compare(0, 2, "--") == 0) continue;
    std::string declaration = line;
    const auto comment = declaration.find("--");
    if (comment != std::string::npos) declaration = Trim(declaration.substr(0, comment));
    const auto blank = declaration.find_first_of(" \t");
    const std::string name = declaration.substr(0, blank);
    const std::string rest = blank == std::string::npos ? std::string() : Trim(declaration.substr(blank));
    if (SameNoCase(name, "xtra")) {
      if (table.xtraName.empty()) table.xtraName = rest;
      continue;
    }
    Method method{name, selector++, {}, false, line};
    std::size_t from = 0;
    bool first = true;
    while (!rest.empty() && from <= rest.size()) {
      std::size_t comma = rest.find(',', from);
      if (comma == std::string::npos) comma = rest.size();
      const std::string arg = Trim(rest.substr(from, comma - from));
      from = comma + 1;
      const auto space = arg.find_first_of(" \t");
      const std::string type = arg.substr(0, space);
      if (first && SameNoCase(type, "object")) {
        method.hasMe = true;
      } else if (!type.empty()) {
        method.argTypes.push_back(type);
      }
      first = false;
    }
    table.methods.push_back(std::move(method));
  }
  return table;
}

std::vector<Literal> ParseLiterals(const std::string& text) {
  std::vector<Literal> literals;
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == ' ' || c == '\t' || c == ',') {
      ++at;
      continue;
    }
    Literal literal;
    if (c == '"') {
      const auto close = text.find('"', at + 1);
      if (close == std::string::npos) throw Refused("unclosed text literal: " + text.substr(at));
      literal.isText = true;
      literal.text = text.substr(at + 1, close - at - 1);
      at = close + 1;
    } else {
      std::size_t end = at;
      while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != ',') ++end;
      const std::string word = text.substr(at, end - at);
      at = end;
      std::size_t digits = word[0] == '-' ? 1 : 0;
      bool whole = digits < word.size();
      for (std::size_t i = digits; i < word.size(); ++i) whole = whole && std::isdigit(static_cast<unsigned char>(word[i]));
      if (!whole) throw Refused("not a Lingo literal (\"text\" or a whole number): " + word);
      errno = 0;
      const long long value = std::strtoll(word.c_str(), nullptr, 10);
      if (errno || value < INT32_MIN || value > INT32_MAX) throw Refused("number out of range: " + word);
      literal.number = static_cast<MoaLong>(value);
    }
    if (at < text.size() && text[at] != ' ' && text[at] != '\t' && text[at] != ',')
      throw Refused("literals must be separated by blanks or commas: " + text.substr(at));
    literals.push_back(std::move(literal));
  }
  return literals;
}

// Host

namespace {

// A module and the error of its loading, taken before anything else runs.
std::pair<HMODULE, DWORD> Loaded(HMODULE module) { return {module, GetLastError()}; }

}  // namespace

Host::Host(const std::string& path, Options options)
    : Host(Loaded(LoadLibraryA(path.c_str())), path, std::move(options)) {}

Host::Host(const std::wstring& path, Options options)
    : Host(Loaded(LoadLibraryW(path.c_str())), Utf8(path), std::move(options)) {}

Host::Host(std::pair<HMODULE, DWORD> loaded, const std::string& path, Options options)
    : module_(loaded.first), options_(std::move(options)) {
  if (!module_) throw Error("cannot load " + path + " (error " + std::to_string(loaded.second) + ")");
  auto bind = [&](const char* name) {
    FARPROC proc = GetProcAddress(module_, name);
    if (!proc) {
      FreeLibrary(module_);
      throw Error(path + " does not export " + name);
    }
    return reinterpret_cast<void*>(proc);
  };
  exports_.getClassObject = reinterpret_cast<DllGetClassObjectProc>(bind("DllGetClassObject"));
  exports_.canUnloadNow = reinterpret_cast<DllCanUnloadNowProc>(bind("DllCanUnloadNow"));
  exports_.getInterface = reinterpret_cast<DllGetInterfaceProc>(bind("DllGetInterface"));
  exports_.getClassForm = reinterpret_cast<DllGetClassFormProc>(bind("DllGetClassForm"));
  exports_.getClassInfo = reinterpret_cast<DllGetClassInfoProc>(bind("DllGetClassInfo"));
}

Host::~Host() {
  // An Xtra still in use stays loaded rather than leave its objects dangling.
  if (liveInstances_ == 0 && exports_.canUnloadNow() == kMoaErr_NoErr) FreeLibrary(module_);
}

std::vector<MoaClassInterfaceInfo> Host::ClassInfo() {
  const MoaClassInterfaceInfo* table = nullptr;
  const MoaError error = exports_.getClassInfo(&calloc_, &table);
  if (error != kMoaErr_NoErr) throw Error("DllGetClassInfo answered " + HexCode(error));
  if (!table) throw Error("DllGetClassInfo answered 0 without a table");
  static const MoaID kNone{};
  std::vector<MoaClassInterfaceInfo> rows;
  for (const MoaClassInterfaceInfo* row = table;; ++row) {
    if (SameID(row->classID, kNone) && SameID(row->interfaceID, kNone)) break;
    rows.push_back(*row);
    if (rows.size() > 1000) throw Error("DllGetClassInfo: no terminating row");
  }
  calloc_.NRFree(const_cast<MoaClassInterfaceInfo*>(table));
  return rows;
}

Instance* Host::Create(const MoaID* classID) {
  MoaLong size = 0;
  MoaCreateProc create = nullptr;
  MoaDestroyProc destroy = nullptr;
  const MoaError form = exports_.getClassForm(classID, &size, &create, &destroy);
  if (form != kMoaErr_NoErr) throw Error("DllGetClassForm answered " + HexCode(form));
  if (size < kMoaObjectHeaderSize || !create || !destroy) throw Error("DllGetClassForm gave an unusable class form");
  void* memory = std::calloc(1, static_cast<std::size_t>(size));
  if (!memory) throw std::bad_alloc();
  Instance* instance = new (memory) Instance();
  instance->cookie_ = static_cast<MoaLong>(reinterpret_cast<std::intptr_t>(this));
  instance->callback_ = &callback_;
  instance->calloc_ = &calloc_;
  classIDs_.push_back(classID ? *classID : MoaID{});
  instance->classID_ = classID ? &classIDs_.back() : nullptr;
  instance->refCount_ = 1;
  destroyers_[instance] = destroy;
  ++liveInstances_;
  const MoaError created = create(instance);
  if (created != kMoaErr_NoErr) {
    instance->Release();
    throw Error("the create procedure answered " + HexCode(created));
  }
  return instance;
}

MoaError Host::GetInterface(Instance* instance, const MoaID& iid, void** out) {
  return exports_.getInterface(instance, instance->classID_, &iid, out);
}

MoaError Host::Register() {
  for (const MoaClassInterfaceInfo& row : ClassInfo()) {
    if (!SameID(row.interfaceID, IID_IMoaRegister)) continue;
    Instance* instance = Create(&row.classID);
    void* out = nullptr;
    MoaError error = GetInterface(instance, IID_IMoaRegister, &out);
    if (error == kMoaErr_NoErr) {
      auto* registrar = static_cast<IMoaRegister*>(out);
      error = registrar->Register(&cache_, &xtraDict_);
      registrar->Release();
    }
    instance->Release();
    if (error != kMoaErr_NoErr) return error;
  }
  return kMoaErr_NoErr;
}

const Cache::RegistryEntry* Host::ScriptEntry() const {
  for (const auto& entry : cache_.Entries())
    if (SameID(entry.iid, IID_IMoaMmXScript)) return &entry;
  return nullptr;
}

std::string Host::MethodTableText() const {
  const Cache::RegistryEntry* entry = ScriptEntry();
  if (!entry) throw Error("no registry entry for IMoaMmXScript");
  const auto& entries = entry->dict->Entries();
  auto found = entries.find("msgTable");
  if (found == entries.end() || found->second.type != kMoaDictType_CString)
    throw Error("the script entry has no msgTable text");
  const std::string& bytes = found->second.bytes;
  return bytes.substr(0, bytes.size() - 1);
}

CallResult Host::CallMethod(const std::string& name, const std::vector<Literal>& args) {
  const Cache::RegistryEntry* entry = ScriptEntry();
  if (!entry) throw Error("no registry entry for IMoaMmXScript (register first)");
  const MethodTable table = Methods();
  const Method* method = table.Find(name);
  if (!method) throw Refused("no method " + name + " in " + table.xtraName);
  if (args.size() != method->argTypes.size())
    throw Refused(method->name + " takes " + std::to_string(method->argTypes.size()) + " argument(s), " +
                  std::to_string(args.size()) + " given");
  std::vector<MoaMmValue> values;
  const MoaID classID = entry->classID;
  values.push_back({kObject, 0});
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& type = method->argTypes[i];
    if (SameNoCase(type, "string") && !args[i].isText)
      throw Refused("argument " + std::to_string(i + 1) + " of " + method->name + " must be a \"text\"");
    if (SameNoCase(type, "integer") && args[i].isText)
      throw Refused("argument " + std::to_string(i + 1) + " of " + method->name + " must be a whole number");
    values.push_back(args[i].isText ? values_.String(args[i].text) : Values::Integer(args[i].number));
  }

  Instance* instance = Create(&classID);
  values[0].it = static_cast<MoaLong>(reinterpret_cast<std::intptr_t>(instance));
  void* out = nullptr;
  const MoaError got = GetInterface(instance, IID_IMoaMmXScript, &out);
  if (got != kMoaErr_NoErr || !out) {
    instance->Release();
    throw Error("DllGetInterface(IMoaMmXScript) answered " + HexCode(got));
  }
  auto* script = static_cast<IMoaMmXScript*>(out);
  MoaMmCallInfo call{};
  call.xinst = instance;
  call.methodSelector = method->selector;
  call.resultValue = Values::Void();
  call.nargs = static_cast<MoaLong>(values.size());
  call.pArgs = values.data();
  CallResult result;
  result.error = script->Call(&call);
  result.result = call.resultValue;
  script->Release();
  instance->Release();
  return result;
}

}  // namespace moahost
