// The Lingo method handlers: each converts its Lingo arguments through the
// instance's value interface, calls its library function and hands the
// result to the host. One template serves every row; the argument and
// result kinds come from the library's own prototypes.
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "kLv_Tool.h"
#include "xtra.h"

namespace klv::xtra {

namespace {

// The declared arguments of one call. Position 1 is the first declared
// argument (pArgs[0] is the instance). A position the caller did not give
// reads as the empty text or 0; nothing past nargs is touched.
class Arguments {
 public:
  Arguments(IMoaMmValue& values, const MoaMmCallInfo& call) : values_(values), call_(call) {}

  // The whole text, however long: the host tells its length first. A value
  // the host will not give as text (a real host refuses integers) gives its
  // integer's decimal text; one that is neither gives the empty text.
  std::string Text(MoaLong position) const {
    MoaMmValue value;
    if (!Get(position, &value)) return std::string();
    MoaLong length = 0;
    if (values_.ValueStringLength(&value, &length) == kMoaErr_NoErr && length >= 0) {
      std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
      if (values_.ValueToString(&value, buffer.data(), static_cast<MoaLong>(buffer.size())) == kMoaErr_NoErr) {
        buffer.back() = '\0';
        return std::string(buffer.data());
      }
    }
    MoaLong number = 0;
    if (values_.ValueToInteger(&value, &number) == kMoaErr_NoErr) return std::to_string(number);
    return std::string();
  }

  // The integer, or 0 when the value has none.
  MoaLong Integer(MoaLong position) const {
    MoaMmValue value;
    MoaLong number = 0;
    if (!Get(position, &value) || values_.ValueToInteger(&value, &number) != kMoaErr_NoErr) return 0;
    return number;
  }

 private:
  bool Get(MoaLong position, MoaMmValue* value) const {
    if (!call_.pArgs || position >= call_.nargs) return false;
    *value = call_.pArgs[position];  // the caller owns the original
    return true;
  }

  IMoaMmValue& values_;
  const MoaMmCallInfo& call_;
};

// One argument converted by the kind its library parameter declares.
template <class Parameter>
struct Converted;

template <>
struct Converted<KlvText> {
  std::string text;
  static Converted From(const Arguments& args, MoaLong position) { return {args.Text(position)}; }
  KlvText Get() const { return text.c_str(); }
};

template <>
struct Converted<KlvInt> {
  KlvInt number;
  static Converted From(const Arguments& args, MoaLong position) { return {args.Integer(position)}; }
  KlvInt Get() const { return number; }
};

template <class Result, class... Parameters>
constexpr std::size_t Arity(Result(KLV_CALL*)(Parameters...)) {
  return sizeof...(Parameters);
}

// A text result is copied whole into a Lingo string; an integer result
// (a value, a code or a write's status) goes over unchanged.
MoaError Answer(IMoaMmValue& values, MoaMmCallInfo& call, KlvText text) {
  return values.StringToValue(text ? text : "", &call.resultValue);
}
MoaError Answer(IMoaMmValue& values, MoaMmCallInfo& call, KlvInt number) {
  return values.IntegerToValue(number, &call.resultValue);
}

template <class Result, class... Parameters, std::size_t... Index>
MoaError Bridge(Result(KLV_CALL* function)(Parameters...), ScriptInstance& self, MoaMmCallInfo& call,
                std::index_sequence<Index...>) {
  const Arguments args(*self.value, call);
  // Every argument is converted before the call, in declaration order.
  const std::tuple<Converted<Parameters>...> converted{
      Converted<Parameters>::From(args, static_cast<MoaLong>(Index + 1))...};
  const Result result = function(std::get<Index>(converted).Get()...);
  // What the host makes of the result value is its own; the method has run.
  Answer(*self.value, call, result);
  return kMoaErr_NoErr;
}

// The handler of a method that calls `Function`.
template <auto Function>
MoaError Handle(ScriptInstance& self, MoaMmCallInfo& call) {
  return Bridge(Function, self, call, std::make_index_sequence<Arity(Function)>{});
}

}  // namespace

// Row n - 1 serves selector n, in the order of the method table.
const Handler kHandlers[kMethodCount] = {
    Handle<kLvWriteIniString>,          // 1
    Handle<kLvReadIniString>,           // 2
    Handle<kLvReadIniString>,           // 3 kLvReadIniInteger: its number is the default text
    Handle<kLvReadRegString>,           // 4
    Handle<kLvWriteRegString>,          // 5
    Handle<kLvReadRegInteger>,          // 6
    Handle<kLvWriteRegInteger>,         // 7
    Handle<kLvCreateDirectory>,         // 8
    Handle<kLvRemoveDirectory>,         // 9
    Handle<kLvCopyFile>,                // 10
    Handle<kLvDoesFileExist>,           // 11
    Handle<kLvGetDriveType>,            // 12
    Handle<kLvGetDriveList>,            // 13
    Handle<kLvIsDriveCD>,               // 14
    Handle<kLvGetCDDrive>,              // 15
    Handle<kLvMoveFile>,                // 16
    Handle<kLvGetWindowsDir>,           // 17
    Handle<kLvGetSystemDir>,            // 18
    Handle<kLvGetCurrentDir>,           // 19
    Handle<kLvGetFreeDiskSpace>,        // 20
    Handle<kLvOpenFile>,                // 21
    Handle<kLvSaveFile>,                // 22
    Handle<kLvMessageBox>,              // 23
    Handle<kLvToolVer>,                 // 24
    Handle<kLvGetEnvironmentStrings>,   // 25
    Handle<kLvGetEnvironmentVariable>,  // 26
    Handle<kLvSetEnvironmentVariable>,  // 27
};

}  // namespace klv::xtra
