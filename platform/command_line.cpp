#include "platform/command_line.h"

#include "platform/process.h"
#include "platform/text.h"

namespace qav {
namespace {

std::u16string Unquoted(std::u16string_view value) {
  if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') value = value.substr(1, value.size() - 2);
  return std::u16string(value);
}

}  // namespace

CommandLine CommandLine::FromArgv(int argc, const char* const* argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(Utf8ToUtf16(argv[i] ? argv[i] : ""));
  return CommandLine(std::move(arguments));
}

CommandLine CommandLine::FromText(std::u16string_view text) { return CommandLine(SplitWindowsArguments(text)); }

std::optional<SwitchMatch> CommandLine::MatchAt(size_t index, const SwitchSpec& spec) const {
  const std::u16string& argument = arguments_[index];
  if (spec.name.empty() || !StartsWithNoCase(argument, spec.name)) return std::nullopt;
  const std::u16string_view rest = std::u16string_view(argument).substr(spec.name.size());
  SwitchMatch match;
  match.argument = index;
  switch (spec.value) {
    case SwitchValue::kNone:
      if (!rest.empty()) return std::nullopt;
      return match;
    case SwitchValue::kAttached:
      match.value = Unquoted(rest);
      return match;
    case SwitchValue::kSeparate:
      if (!rest.empty() && rest[0] != u'=' && rest[0] != u':') return std::nullopt;
      if (rest.size() > 1) {
        match.value = Unquoted(rest.substr(1));
      } else if (index + 1 < arguments_.size()) {
        match.value = Unquoted(arguments_[index + 1]);
        match.argumentCount = 2;
      }
      return match;
  }
  return std::nullopt;
}

std::optional<SwitchMatch> CommandLine::Find(const SwitchSpec& spec) const {
  for (size_t i = 0; i < arguments_.size(); ++i) {
    if (auto match = MatchAt(i, spec)) return match;
  }
  return std::nullopt;
}

std::vector<std::pair<size_t, SwitchMatch>> CommandLine::MatchTable(std::span<const SwitchSpec> table) const {
  std::vector<std::pair<size_t, SwitchMatch>> found;
  for (size_t i = 0; i < arguments_.size(); ++i) {
    for (size_t s = 0; s < table.size(); ++s) {
      if (auto match = MatchAt(i, table[s])) {
        i += match->argumentCount - 1;
        found.emplace_back(s, std::move(*match));
        break;
      }
    }
  }
  return found;
}

CommandLine CommandLine::Without(const SwitchSpec& spec) const {
  const auto match = Find(spec);
  if (!match) return *this;
  std::vector<std::u16string> rest;
  for (size_t i = 0; i < arguments_.size(); ++i) {
    if (i < match->argument || i >= match->argument + match->argumentCount) rest.push_back(arguments_[i]);
  }
  return CommandLine(std::move(rest));
}

CommandLine CommandLine::With(std::u16string argument) const {
  CommandLine line = *this;
  line.arguments_.push_back(std::move(argument));
  return line;
}

std::u16string QuoteWindowsArgument(std::u16string_view argument) {
  if (!argument.empty() && argument.find_first_of(u" \t\"") == std::u16string_view::npos) {
    return std::u16string(argument);
  }
  // Backslashes count only before a quote: double those, and the ones before the closing quote.
  std::u16string quoted = u"\"";
  size_t backslashes = 0;
  for (char16_t c : argument) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') {
      quoted.append(backslashes * 2 + 1, u'\\');
    } else {
      quoted.append(backslashes, u'\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, u'\\');
  quoted += u'"';
  return quoted;
}

std::u16string CommandLine::ToText() const {
  std::u16string text;
  for (const auto& argument : arguments_) {
    if (!text.empty()) text += u' ';
    text += QuoteWindowsArgument(argument);
  }
  return text;
}

}  // namespace qav
