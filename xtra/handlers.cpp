// The Lingo method handlers: each converts its Lingo arguments through the
// instance's value interface, calls its library function and hands the
// result to the host. One template serves every row of methods.h; the
// argument and result kinds come from the library's own prototypes, which
// signatures.h holds to the directory's rows.
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "directory.h"
#include "kLv_Tool.h"
#include "signatures.h"
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
#define KLV_METHOD_HANDLER(declaration, comment, function) Handle<function>,
const Handler kHandlers[kMethodCount] = {KLV_XTRA_METHODS(KLV_METHOD_HANDLER)};
#undef KLV_METHOD_HANDLER

}  // namespace klv::xtra
