// The Lingo method handlers: each reads its Lingo arguments through the
// instance's value interface, calls its library function and hands the
// result to the host. One template serves every row of methods.h; the
// argument and result kinds come from the library's own prototypes, which
// signatures.h holds to the directory's rows.
//
// The host's encoding decides which export is called. A host speaking the
// ANSI code page (Director 10 and earlier, any host that does not say it is
// Director 11 or later) calls the ANSI export with its bytes as they are,
// as it always has: the library converts them, and its ANSI boundary
// answers a result the code page cannot hold (short form or failure text)
// in the one place that knows each function's rule. A host speaking UTF-8
// has each text converted to UTF-16 for the wide export, and a text result
// converted back.
#include <cstring>
#include <cwchar>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "codepage.h"
#include "directory.h"
#include "kLv_Tool.h"
#include "signatures.h"
#include "xtra.h"

namespace klv::xtra {

namespace {

// A wide result in `codePage`, whole. (An unpaired surrogate, which only a
// name made outside the kit can hold, becomes U+FFFD in UTF-8.)
std::string FromWide(const wchar_t* text, UINT codePage) {
  if (!text || !*text) return std::string();
  const int size = static_cast<int>(std::wcslen(text));
  const int length = WideCharToMultiByte(codePage, 0, text, size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text, size, &result[0], length, nullptr, nullptr);
  return result;
}

// A text argument as the host gave it: its bytes, and whether they are the
// whole text (false when it holds a NUL, which no name or value can).
struct HostText {
  std::string bytes;
  bool whole = true;
};

// The declared arguments of one call. Position 1 is the first declared
// argument (pArgs[0] is the instance). A position the caller did not give
// reads as the empty text or 0; nothing past nargs is touched.
class Arguments {
 public:
  Arguments(IMoaMmValue& values, const MoaMmCallInfo& call) : values_(values), call_(call) {}

  // The whole text, however long: the host tells its length (in bytes)
  // first. A value the host will not give as text (a real host refuses
  // integers) gives its integer's decimal text; one that is neither gives
  // the empty text.
  HostText Text(MoaLong position) const {
    MoaMmValue value;
    if (!Get(position, &value)) return HostText();
    MoaLong length = 0;
    if (values_.ValueStringLength(&value, &length) == kMoaErr_NoErr && length >= 0) {
      std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
      if (values_.ValueToString(&value, buffer.data(), static_cast<MoaLong>(buffer.size())) == kMoaErr_NoErr) {
        buffer.back() = '\0';
        const std::size_t bytes = std::strlen(buffer.data());
        return HostText{std::string(buffer.data(), bytes), bytes == static_cast<std::size_t>(length)};
      }
    }
    MoaLong number = 0;
    if (values_.ValueToInteger(&value, &number) == kMoaErr_NoErr) return HostText{std::to_string(number), true};
    return HostText();
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

// One argument read by the kind its library parameter declares.
template <class Parameter>
struct Given;

template <>
struct Given<KlvText> {
  HostText text;
  static Given From(const Arguments& args, MoaLong position) { return {args.Text(position)}; }
  bool Whole() const { return text.whole; }
  KlvText Get() const { return text.bytes.c_str(); }
};

template <>
struct Given<KlvInt> {
  KlvInt number;
  static Given From(const Arguments& args, MoaLong position) { return {args.Integer(position)}; }
  bool Whole() const { return true; }
  KlvInt Get() const { return number; }
};

// The same argument for the wide export.
template <class Parameter>
struct Widened;

template <>
struct Widened<KlvTextW> {
  std::wstring text;
  static Widened From(const Given<KlvText>& given, UINT codePage) {
    // A text holding a NUL, or not valid in the host's encoding (invalid or
    // overlong UTF-8, an encoded surrogate), goes as one the wide export
    // refuses: the method answers as the library answers bad input.
    Widened widened;
    std::optional<std::wstring> wide = given.Whole() ? ToWide(given.text.bytes, codePage) : std::nullopt;
    widened.text = wide ? std::move(*wide) : std::wstring(kRefusedText);
    return widened;
  }
  KlvTextW Get() const { return text.c_str(); }
};

template <>
struct Widened<KlvInt> {
  KlvInt number;
  static Widened From(const Given<KlvInt>& given, UINT) { return {given.number}; }
  KlvInt Get() const { return number; }
};

template <class Result, class... Parameters>
constexpr std::size_t Arity(Result(KLV_CALL*)(Parameters...)) {
  return sizeof...(Parameters);
}

// A text result is copied whole into a Lingo string in the host's
// encoding; an integer result (a value, a code or a write's status) goes
// over unchanged.
MoaError Answer(IMoaMmValue& values, MoaMmCallInfo& call, KlvText text, UINT) {
  return values.StringToValue(text ? text : "", &call.resultValue);
}
MoaError Answer(IMoaMmValue& values, MoaMmCallInfo& call, KlvTextW text, UINT codePage) {
  return values.StringToValue(FromWide(text, codePage).c_str(), &call.resultValue);
}
MoaError Answer(IMoaMmValue& values, MoaMmCallInfo& call, KlvInt number, UINT) {
  return values.IntegerToValue(number, &call.resultValue);
}

template <class Result, class... Parameters, class WideResult, class... WideParameters, std::size_t... Index>
MoaError Bridge(Result(KLV_CALL* narrow)(Parameters...), WideResult(KLV_CALL* wide)(WideParameters...),
                ScriptInstance& self, MoaMmCallInfo& call, std::index_sequence<Index...>) {
  static_assert(sizeof...(Parameters) == sizeof...(WideParameters), "the wide export takes the same arguments");
  const Arguments args(*self.value, call);
  // Every argument is read before the call, in declaration order.
  const std::tuple<Given<Parameters>...> given{Given<Parameters>::From(args, static_cast<MoaLong>(Index + 1))...};
  const bool whole = (true && ... && std::get<Index>(given).Whole());
  // What the host makes of the result value is its own; the method has run.
  if (self.codePage != CP_UTF8 && whole) {
    Answer(*self.value, call, narrow(std::get<Index>(given).Get()...), self.codePage);
  } else {
    const std::tuple<Widened<WideParameters>...> widened{
        Widened<WideParameters>::From(std::get<Index>(given), self.codePage)...};
    Answer(*self.value, call, wide(std::get<Index>(widened).Get()...), self.codePage);
  }
  return kMoaErr_NoErr;
}

// The handler of a method that calls `Narrow`, or its wide twin `Wide`.
template <auto Narrow, auto Wide>
MoaError Handle(ScriptInstance& self, MoaMmCallInfo& call) {
  return Bridge(Narrow, Wide, self, call, std::make_index_sequence<Arity(Narrow)>{});
}

// The method rows checked against the library's function directory: each
// Lingo name is a directory row and declares that row's argument types
// ("string" for S, "integer" for I), each handler calls that row's
// function (kLvReadIniInteger alone calls kLvReadIniString, see
// CallsItsFunction) with as many arguments as the method declares, and the
// Xtra offers every directory function exactly once.
namespace directory {

struct Row {
  const char* name;
  const char* args;  // type letters, or "V" for none
};
#define KLV_DIRECTORY_ROW(name, upper, result, args, line) {#name, args},
constexpr Row kRows[] = {KLV_FUNCTIONS(KLV_DIRECTORY_ROW)};
#undef KLV_DIRECTORY_ROW

// Whether `text` begins with `word` followed by `end` (or by its end, when
// `end` is NUL).
constexpr bool StartsWord(const char* text, const char* word, char end) {
  std::size_t i = 0;
  for (; word[i]; ++i)
    if (text[i] != word[i]) return false;
  return text[i] == end;
}

constexpr std::size_t NameLength(const char* declaration) {
  std::size_t i = 0;
  while (declaration[i] && declaration[i] != ' ') ++i;
  return i;
}

// The directory row that a declaration's name (or a plain name) names; -1
// when there is none.
constexpr int Find(const char* name, std::size_t length) {
  for (std::size_t r = 0; r < sizeof(kRows) / sizeof(kRows[0]); ++r) {
    const char* candidate = kRows[r].name;
    std::size_t i = 0;
    while (i < length && candidate[i] == name[i]) ++i;
    if (i == length && candidate[i] == '\0') return static_cast<int>(r);
  }
  return -1;
}
constexpr int FindDeclared(const char* declaration) { return Find(declaration, NameLength(declaration)); }
constexpr int FindFunction(const char* name) { return Find(name, std::char_traits<char>::length(name)); }

// The declared arguments after "object me", one per comma.
constexpr std::size_t ArgumentCount(const char* declaration) {
  std::size_t count = 0;
  for (std::size_t i = 0; declaration[i]; ++i) count += declaration[i] == ',';
  return count;
}

// The name is followed by blanks and "object me", then each argument is a
// comma, blanks, a type word matching the row's letter and a name.
constexpr bool MatchesRow(const char* declaration) {
  const int row = FindDeclared(declaration);
  if (row < 0) return false;
  const char* letters = kRows[row].args;
  if (letters[0] == 'V' && letters[1] == '\0') letters = "";
  std::size_t i = NameLength(declaration);
  while (declaration[i] == ' ') ++i;
  if (!StartsWord(declaration + i, "object me", declaration[i + 9] == ',' ? ',' : '\0')) return false;
  i += 9;
  std::size_t argument = 0;
  for (; declaration[i]; ++i) {
    if (declaration[i] != ',') continue;
    std::size_t at = i + 1;
    while (declaration[at] == ' ') ++at;
    const char letter = letters[argument++];
    if (letter == 'S' && !StartsWord(declaration + at, "string", ' ')) return false;
    if (letter == 'I' && !StartsWord(declaration + at, "integer", ' ')) return false;
    if (letter != 'S' && letter != 'I') return false;
  }
  return letters[argument] == '\0';
}

// A method calls the function of its own name, or one that takes text
// where the method declares an integer (the handler hands over the
// number's text form) and is otherwise alike.
constexpr bool CallsItsFunction(const char* declaration, const char* function) {
  const int own = FindDeclared(declaration), called = FindFunction(function);
  if (own < 0 || called < 0) return false;
  if (own == called) return true;
  const char* declared = kRows[own].args;
  const char* taken = kRows[called].args;
  bool asText = false;
  std::size_t i = 0;
  for (; declared[i] && taken[i]; ++i) {
    if (declared[i] == taken[i]) continue;
    if (declared[i] != 'I' || taken[i] != 'S') return false;
    asText = true;
  }
  return asText && declared[i] == taken[i];
}

#define KLV_METHOD_DECLARATION(declaration, comment, function) declaration,
constexpr const char* kDeclarations[] = {KLV_XTRA_METHODS(KLV_METHOD_DECLARATION)};
#undef KLV_METHOD_DECLARATION

constexpr bool EveryRowOnce() {
  constexpr std::size_t rows = sizeof(kRows) / sizeof(kRows[0]);
  if (sizeof(kDeclarations) / sizeof(kDeclarations[0]) != rows) return false;
  bool seen[rows] = {};
  for (const char* declaration : kDeclarations) {
    const int row = FindDeclared(declaration);
    if (row < 0 || seen[row]) return false;
    seen[row] = true;
  }
  return true;
}

}  // namespace directory

#define KLV_CHECK_METHOD(declaration, comment, function)                                                     \
  static_assert(directory::MatchesRow(declaration),                                                          \
                "the directory has no function of this name with these argument types: " declaration);     \
  static_assert(directory::CallsItsFunction(declaration, #function),                                        \
                #function " is not the function this method calls: " declaration);                         \
  static_assert(Arity(&::function) == directory::ArgumentCount(declaration),                                 \
                #function " takes another number of arguments than the method declares: " declaration);
KLV_XTRA_METHODS(KLV_CHECK_METHOD)
#undef KLV_CHECK_METHOD
static_assert(directory::EveryRowOnce(), "the Xtra must offer every function of the directory once");

}  // namespace

// Row n - 1 serves selector n, in the order of the method rows.
#define KLV_METHOD_HANDLER(declaration, comment, function) Handle<function, function##W>,
const Handler kHandlers[kMethodCount] = {KLV_XTRA_METHODS(KLV_METHOD_HANDLER)};
#undef KLV_METHOD_HANDLER

}  // namespace klv::xtra
