// A program's command line as a list of whole arguments, and the switches found in it.
//
// The program's design read its switches out of one lower-cased command-line text, by prefix and
// anywhere in the text. Here the arguments arrive one by one, and the paths among them are
// case-sensitive and full of "/": "/media/removable/QAV" must not count as the switch
// "/removable", and a folder must keep its case. So a switch is matched against a whole argument,
// without regard to ASCII case, and its value is kept exactly as given.
//
// Value forms, for a switch that takes one:
//   - kAttached ("/pimcontext="): the text after the name in the same argument;
//   - kSeparate ("/updatepath"): "/updatepath=VALUE" or "/updatepath:VALUE", or, when nothing
//     follows the name (also "/updatepath:"), the next argument whatever it holds (a path begins
//     with "/" too).
// One pair of double quotes around a value is removed, for command lines that come as one text
// (SplitWindowsArguments in platform/process.h removes the quotes of a text it splits).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qav {

enum class SwitchValue {
  kNone,      // the argument is the switch itself
  kAttached,  // the value follows the name inside the argument
  kSeparate,  // the value follows "=" or ":" in the argument, or is the next argument
};

struct SwitchSpec {
  std::u16string_view name;  // with its leading "/" (and trailing "=" for kAttached)
  SwitchValue value = SwitchValue::kNone;
};

// One switch found in the arguments.
struct SwitchMatch {
  size_t argument = 0;      // index of the switch's argument
  size_t argumentCount = 1;  // 2 when the value was the next argument
  std::u16string value;     // "" for kNone, or when a kSeparate switch ends the line
};

class CommandLine {
 public:
  CommandLine() = default;
  explicit CommandLine(std::vector<std::u16string> arguments) : arguments_(std::move(arguments)) {}
  // The arguments after argv[0], from UTF-8.
  static CommandLine FromArgv(int argc, const char* const* argv);
  // The arguments of one text, split with the Windows quoting rules.
  static CommandLine FromText(std::u16string_view text);

  const std::vector<std::u16string>& arguments() const { return arguments_; }

  // The first argument that is the switch; nullopt when none is.
  std::optional<SwitchMatch> Find(const SwitchSpec& spec) const;
  bool Has(const SwitchSpec& spec) const { return Find(spec).has_value(); }
  // The first switch of `table` that each argument is, in argument order, each argument (and a
  // separate value) taken once; arguments that are no switch of the table are left out.
  std::vector<std::pair<size_t, SwitchMatch>> MatchTable(std::span<const SwitchSpec> table) const;

  // The same line without the first occurrence of the switch and its value.
  CommandLine Without(const SwitchSpec& spec) const;
  CommandLine With(std::u16string argument) const;

  // The arguments joined by blanks, each quoted by the Windows rules when it needs it, so that
  // FromText gives the same arguments back. For logs and for texts handed to other programs.
  std::u16string ToText() const;

 private:
  std::optional<SwitchMatch> MatchAt(size_t index, const SwitchSpec& spec) const;

  std::vector<std::u16string> arguments_;
};

// One argument quoted by the Windows rules when it is empty or holds a blank or a double quote.
std::u16string QuoteWindowsArgument(std::u16string_view argument);

}  // namespace qav
