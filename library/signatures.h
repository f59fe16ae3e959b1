/*
 * Every prototype in kLv_Tool.h against its row of the function directory,
 * at compile time: the argument count, the kind of each argument and the
 * kind of the result. Both the library and the Xtra include this header,
 * so neither builds while a prototype and its row disagree, even when the
 * prototype and the definition were changed alike.
 *
 * Kinds: S is a text (KlvText, or KlvTextW in the wide twin nameW); I and L
 * are integers (KlvInt); the letter V alone stands for no arguments.
 */
#ifndef KLV_SIGNATURES_H
#define KLV_SIGNATURES_H

#include <type_traits>

#include "directory.h"
#include "kLv_Tool.h"

namespace klv::signatures {

// The letter of a C type as the directory writes it, texts being of type
// Text; '?' for any other.
template <class Text, class T>
constexpr char LetterOf() {
  return std::is_same<T, Text>::value ? 'S' : std::is_same<T, KlvInt>::value ? 'I' : '?';
}

// I and L are one kind: both are KlvInt.
constexpr char KindOf(char letter) { return letter == 'L' ? 'I' : letter; }

constexpr bool NoArguments(const char* letters) { return letters[0] == 'V' && letters[1] == '\0'; }

constexpr std::size_t Count(const char* letters) {
  if (NoArguments(letters)) return 0;
  std::size_t n = 0;
  while (letters[n]) ++n;
  return n;
}

template <class Result, class... Arguments>
constexpr std::size_t ArgumentCount(Result(KLV_CALL*)(Arguments...)) {
  return sizeof...(Arguments);
}

template <class Text, class Result, class... Arguments>
constexpr bool ResultMatches(Result(KLV_CALL*)(Arguments...), const char* letter) {
  return LetterOf<Text, Result>() == KindOf(letter[0]) && letter[1] == '\0';
}

// Whether argument after argument has the kind its letter declares, as far
// as both go (the count is checked on its own, so that the two faults read
// apart).
template <class Text, class Result, class... Arguments>
constexpr bool ArgumentsMatch(Result(KLV_CALL*)(Arguments...), const char* letters) {
  const char kinds[] = {LetterOf<Text, Arguments>()..., '\0'};
  if (NoArguments(letters)) return true;
  for (std::size_t i = 0; kinds[i] && letters[i]; ++i)
    if (kinds[i] != KindOf(letters[i])) return false;
  return true;
}

#define KLV_CHECK_SIGNATURE(name, upper, result, args, line)                                        \
  static_assert(ArgumentCount(&::name) == Count(args),                                             \
                #name ": its prototype takes another number of arguments than its row " args);     \
  static_assert(ArgumentsMatch<KlvText>(&::name, args),                                            \
                #name ": an argument of its prototype is not of the kind its row declares: " args); \
  static_assert(ResultMatches<KlvText>(&::name, result),                                           \
                #name ": its result is not of the kind its row declares: " result);                \
  static_assert(ArgumentCount(&::name##W) == Count(args),                                          \
                #name "W: its prototype takes another number of arguments than its row " args);    \
  static_assert(ArgumentsMatch<KlvTextW>(&::name##W, args),                                        \
                #name "W: an argument of its prototype is not of the kind its row declares: " args); \
  static_assert(ResultMatches<KlvTextW>(&::name##W, result),                                       \
                #name "W: its result is not of the kind its row declares: " result);
KLV_FUNCTIONS(KLV_CHECK_SIGNATURE)
#undef KLV_CHECK_SIGNATURE

}  // namespace klv::signatures

#endif
