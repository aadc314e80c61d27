// Named placeholders and the captions of the groups they become. Which group a placeholder became
// is read from where the regular-expression engine found each group's opening parenthesis.
#include "collect/rule_captions.h"

#include <boost/regex.hpp>

#include <map>

#include "collect/match_rule.h"
#include "runtime/code_page.h"
#include "runtime/regex.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

using runtime::Text;

constexpr std::size_t kPrefixLength = 5;  // "[var:" and "[int:"

// 0-based position of search in text from `from` (0-based) on, on a character boundary; npos
// when there is none.
std::size_t FindFrom(const Text& text, const Text& search, std::size_t from) {
  const int found = runtime::FindText(text, search, static_cast<int>(from) + 1, runtime::Case::Sensitive);
  return found < 0 ? Text::npos : static_cast<std::size_t>(found - 1);
}

// The rule's expression built piece by piece, with where each named placeholder's group opens.
struct MarkedExpression {
  Text expression;
  std::map<std::size_t, Text> namesAt;  // offset of the "(" -> name
};

MarkedExpression Marked(const Text& rule, RuleSyntax syntax) {
  MarkedExpression marked;
  std::size_t done = 0;
  for (const NamedPlaceholder& placeholder : FindNamedPlaceholders(rule)) {
    marked.expression += TranslateMatchRule(rule.substr(done, placeholder.start - done), syntax);
    marked.namesAt[marked.expression.size()] = placeholder.name;
    marked.expression += TranslateMatchRule(placeholder.digits ? "[int]" : "[var]");
    done = placeholder.start + placeholder.length;
  }
  marked.expression += TranslateMatchRule(rule.substr(done), syntax);
  return marked;
}

}  // namespace

std::vector<NamedPlaceholder> FindNamedPlaceholders(const Text& rule) {
  std::vector<NamedPlaceholder> found;
  std::size_t from = 0;
  while (true) {
    const std::size_t var = FindFrom(rule, "[var:", from);
    const std::size_t digits = FindFrom(rule, "[int:", from);
    const std::size_t start = std::min(var, digits);
    if (start == Text::npos) break;
    const std::size_t close = FindFrom(rule, "]", start + kPrefixLength);
    if (close == Text::npos) break;
    found.push_back({start, close + 1 - start, start == digits,
                     rule.substr(start + kPrefixLength, close - start - kPrefixLength)});
    from = close + 1;
  }
  return found;
}

Text WithoutPlaceholderNames(const Text& rule) {
  Text plain;
  std::size_t done = 0;
  for (const NamedPlaceholder& placeholder : FindNamedPlaceholders(rule)) {
    plain.append(rule, done, placeholder.start - done);
    plain += placeholder.digits ? "[int]" : "[var]";
    done = placeholder.start + placeholder.length;
  }
  plain.append(rule, done);
  return plain;
}

std::vector<Text> GroupNames(const Text& rule, RuleSyntax syntax) {
  runtime::Regex regex;
  regex.Create(TranslateMatchRule(rule, syntax), runtime::Case::Insensitive);
  std::vector<Text> names(static_cast<std::size_t>(regex.GetSubexpressionCount()));
  // The rule is a text: it ends at its first zero byte.
  const MarkedExpression marked = Marked(rule.substr(0, rule.find('\0')), syntax);
  if (marked.namesAt.empty()) return names;
  try {
    const boost::regex expression(marked.expression, boost::regex::perl | boost::regex::save_subexpression_location);
    if (expression.mark_count() != names.size()) return names;
    for (std::size_t group = 0; group < names.size(); ++group) {
      const auto opens = static_cast<std::size_t>(expression.subexpression(group).first - expression.begin());
      const auto name = marked.namesAt.find(opens);
      if (name != marked.namesAt.end()) names[group] = name->second;
    }
  } catch (const std::exception&) {
    // The engine's own reading of the expression counts; without this one's, no group has a name.
  }
  return names;
}

std::vector<Text> GroupCaptions(const std::vector<Text>& names, int firstColumn) {
  std::vector<Text> captions;
  for (const Text& name : names) {
    const int column = firstColumn + static_cast<int>(captions.size());
    captions.push_back(name.empty() ? runtime::T("文本 ") + runtime::ToText(column) : name);
  }
  return captions;
}

std::vector<Text> RuleCaptions(const Text& rule, RuleSyntax syntax) {
  const std::vector<Text> names = GroupNames(rule, syntax);
  std::vector<Text> captions = {runtime::T("文本 1")};
  for (Text& caption : GroupCaptions(names, 2)) captions.push_back(std::move(caption));
  captions.push_back(runtime::T("文本 ") + runtime::ToText(static_cast<int>(names.size()) + 2));
  return captions;
}

}  // namespace collect
