// The Lingo method table and the dispatch from method selector to handler.
// The host numbers the declaration lines from 0 ("new"), skipping the xtra
// line and "--" comment lines; the method rows give the declarations in
// that order, and the handler table follows the same rows.
#include "methods.h"
#include "xtra.h"

namespace klv::xtra {

#define KLV_METHOD_LINE(declaration, comment, function) declaration " -- " comment "\n"
const char kMethodTable[] =
    "xtra kLvTools -- this extra provides Windows API interfacing\n"
    "new object me\n"
    "-- String --\n"
    KLV_XTRA_METHODS(KLV_METHOD_LINE)
    "-- Template handlers -- \n";
#undef KLV_METHOD_LINE

MoaError Dispatch(ScriptInstance& self, MoaMmCallInfo* call) noexcept {
  if (!call) return kMoaErr_BadParam;
  const MoaLong selector = call->methodSelector;
  if (selector < 1 || selector > kMethodCount) return kMoaErr_NoErr;  // `new`, or not ours
  if (!self.value) return kErrNoValueInterface;
  try {
    return kHandlers[selector - 1](self, *call);
  } catch (...) {
    return kMoaErr_InternalError;  // nothing may unwind into the host
  }
}

}  // namespace klv::xtra
