// kLvTools.x32 inside: the two classes, the script instance, the method
// table and the dispatch from method selector to handler.
#ifndef KLV_XTRA_H
#define KLV_XTRA_H

#include "directory.h"
#include "methods.h"
#include "version.h"
#include "moa.h"

namespace klv::xtra {

// Our own class IDs; hosts remember them across runs, so they never change.
// {AC20C1CA-EF4E-4476-B7F3-315DD67B9051}
constexpr MoaID kRegistrationClassID = {0xAC20C1CA, 0xEF4E, 0x4476, {0xB7, 0xF3, 0x31, 0x5D, 0xD6, 0x7B, 0x90, 0x51}};
// {D88D3640-9BE4-44AF-9421-6C03EBFD664A}
constexpr MoaID kScriptClassID = {0xD88D3640, 0x9BE4, 0x44AF, {0x94, 0x21, 0x6C, 0x03, 0xEB, 0xFD, 0x66, 0x4A}};

// The library's version "major.minor" as numbers.
constexpr MoaUlong VersionPart(const char* version, int part) {
  while (part > 0 && *version) part -= *version++ == '.';
  MoaUlong number = 0;
  for (; *version >= '0' && *version <= '9'; ++version) number = number * 10 + (*version - '0');
  return number;
}

// Version of both classes and both interfaces: the library's major and
// minor version, then the Xtra's build.
constexpr MoaUlong kClassVersion =
    VersionPart(KLV_VERSION, 0) << 24 | VersionPart(KLV_VERSION, 1) << 16 | KLV_XTRA_BUILD;

// A script-class instance: the host's header, then the value interface
// obtained at creation (null when the host offers none) and the code page
// of every text the host hands over and takes back (HostCodePage).
struct ScriptInstance {
  MoaObjectHeader header;
  IMoaMmValue* value;
  UINT codePage;
};
static_assert(offsetof(ScriptInstance, value) == 24, "own fields right after the header");

// Director 11 and later hand every text over as UTF-8 and take UTF-8 back;
// nothing but the version says so.
constexpr long kFirstUtf8Director = 11;

// The code page of a host's texts, from its IMoaAppInfo (asked through
// `callback` and released): CP_UTF8 for product "Director" whose version
// begins with a number (read whole) of 11 or more; CP_ACP, the system's
// ANSI code page, for every other host, one without IMoaAppInfo, or a
// version that does not begin with a number.
UINT HostCodePage(IMoaCallback* callback) noexcept;

// The Lingo method table registered under "msgTable", and the number of
// methods declared in it after "new" (one per row of methods.h).
extern const char kMethodTable[];
#define KLV_COUNT_METHOD(declaration, comment, function) +1
constexpr MoaLong kMethodCount = 0 KLV_XTRA_METHODS(KLV_COUNT_METHOD);
#undef KLV_COUNT_METHOD

// What Call answers for a method when the host gave the instance no value
// interface: nothing can be converted, so nothing is called.
constexpr MoaError kErrNoValueInterface = kMoaErr_BadInterface;

// A method handler: selector n runs row n - 1 of the handler table.
typedef MoaError (*Handler)(ScriptInstance& self, MoaMmCallInfo& call);
extern const Handler kHandlers[kMethodCount];

// IMoaMmXScript::Call: 0 for `new` and for selectors outside
// 1..kMethodCount with the record untouched; otherwise the handler's
// answer. Never throws.
MoaError Dispatch(ScriptInstance& self, MoaMmCallInfo* call) noexcept;

// A block from the instance's allocator; while it answers null, the
// process's new-handler runs and the allocation is tried again, until no
// handler is installed (or the handler throws). Null on failure.
void* AllocateFrom(IMoaCalloc* calloc, MoaUlong size) noexcept;

}  // namespace klv::xtra

#endif
