// Saving and loading collection projects with nlohmann-json. The fields of the file are one table:
// a new setting is one more entry in ProjectFields().
#include "collect/project_file.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "collect/file_io.h"
#include "collect/setting_ranges.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

using Json = nlohmann::json;
using runtime::T;
using runtime::Text;

constexpr int kVersion = 1;
constexpr const char* kFormat = "pelmo-project";

// A field that is there but holds the wrong type or value, and what it should hold.
struct FieldFault {
  std::string field;
  Text expected;
};

// One entry of the file: its value made from a project, and put back into one.
struct ProjectField {
  std::string key;
  std::function<Json(const CollectionProject&)> write;
  // Puts the value (which is there) into the project; the fault when it does not fit.
  std::function<std::optional<FieldFault>(const Json&, CollectionProject&)> read;
  // Whether the entry is written; empty: always. An entry left out reads back as its default.
  std::function<bool(const CollectionProject&)> written = {};
};

ProjectField TextField(std::string key, Text CollectionProject::*member) {
  return {key, [member](const CollectionProject& project) { return Json(runtime::TextToUtf8(project.*member)); },
          [key, member](const Json& value, CollectionProject& project) -> std::optional<FieldFault> {
            if (!value.is_string()) return FieldFault{key, T("文本")};
            project.*member = runtime::Utf8ToText(value.get_ref<const std::string&>());
            return std::nullopt;
          }};
}

// A text inside a part of the project (its next-page or detail settings).
template <typename Part>
ProjectField TextField(std::string key, Part CollectionProject::*part, Text Part::*member) {
  return {key,
          [part, member](const CollectionProject& project) { return Json(runtime::TextToUtf8(project.*part.*member)); },
          [key, part, member](const Json& value, CollectionProject& project) -> std::optional<FieldFault> {
            if (!value.is_string()) return FieldFault{key, T("文本")};
            project.*part.*member = runtime::Utf8ToText(value.get_ref<const std::string&>());
            return std::nullopt;
          }};
}

ProjectField TrueOrFalseField(std::string key, std::function<bool(const CollectionProject&)> get,
                              std::function<void(CollectionProject&, bool)> set) {
  return {key, [get](const CollectionProject& project) { return Json(get(project)); },
          [key, set](const Json& value, CollectionProject& project) -> std::optional<FieldFault> {
            if (!value.is_boolean()) return FieldFault{key, T("true 或 false")};
            set(project, value.get<bool>());
            return std::nullopt;
          }};
}

struct EncodingName {
  PageEncoding encoding;
  const char* name;
};

constexpr std::array<EncodingName, 3> kEncodingNames = {{
    {PageEncoding::Gbk, "gbk"},
    {PageEncoding::Utf8, "utf8"},
    {PageEncoding::Auto, "auto"},
}};

ProjectField EncodingField(std::string key) {
  return {key,
          [](const CollectionProject& project) {
            for (const EncodingName& entry : kEncodingNames) {
              if (entry.encoding == project.encoding) return Json(entry.name);
            }
            return Json(kEncodingNames[0].name);
          },
          [key](const Json& value, CollectionProject& project) -> std::optional<FieldFault> {
            for (const EncodingName& entry : kEncodingNames) {
              if (value.is_string() && value.get_ref<const std::string&>() == entry.name) {
                project.encoding = entry.encoding;
                return std::nullopt;
              }
            }
            return FieldFault{key, T("\"gbk\"、\"utf8\" 或 \"auto\"")};
          }};
}

// A switch that is off unless the file says true; written only when on.
template <typename Value>
ProjectField SwitchField(std::string key, Value CollectionProject::*member, Value on, Value off) {
  return {key, [](const CollectionProject&) { return Json(true); },
          [key, member, on, off](const Json& value, CollectionProject& project) -> std::optional<FieldFault> {
            if (!value.is_boolean()) return FieldFault{key, T("true 或 false")};
            project.*member = value.get<bool>() ? on : off;
            return std::nullopt;
          },
          [member, on](const CollectionProject& project) { return project.*member == on; }};
}

// A whole number within range (whose bounds fit an int); nothing for any other value.
std::optional<int> WholeNumber(const Json& value, SettingRange range) {
  if (!value.is_number()) return std::nullopt;
  const double number = value.get<double>();
  if (!std::isfinite(number) || number != std::floor(number) || number < static_cast<double>(range.lowest) ||
      number > static_cast<double>(range.highest)) {
    return std::nullopt;
  }
  return static_cast<int>(number);
}

// A whole-number field in the range of its command-line option.
ProjectField WholeNumberField(std::string key, SettingRange range,
                              std::function<long long(const CollectionProject&)> get,
                              std::function<void(CollectionProject&, int)> set) {
  return {key, [get](const CollectionProject& project) { return Json(get(project)); },
          [key, range, set](const Json& value, CollectionProject& project) -> std::optional<FieldFault> {
            const std::optional<int> number = WholeNumber(value, range);
            if (!number) {
              return FieldFault{key, T(" ") + runtime::ToText(range.lowest) + T(" 到 ") +
                                         runtime::ToText(range.highest) + T(" 的整数")};
            }
            set(project, *number);
            return std::nullopt;
          }};
}

// Reads the fields that are there, in table order; the first one that does not fit stops it.
std::optional<FieldFault> ReadFields(const std::vector<ProjectField>& fields, const Json& object,
                                     CollectionProject& project) {
  for (const ProjectField& field : fields) {
    const auto value = object.find(field.key);
    if (value == object.end()) continue;
    if (std::optional<FieldFault> fault = field.read(*value, project)) return fault;
  }
  return std::nullopt;
}

Json WriteFields(const std::vector<ProjectField>& fields, const CollectionProject& project) {
  Json object = Json::object();
  for (const ProjectField& field : fields) {
    if (!field.written || field.written(project)) object[field.key] = field.write(project);
  }
  return object;
}

// An object of fields of its own; a fault inside names the field as "key.inner". With written,
// the object is left out of the file when it says so.
ProjectField ObjectField(std::string key, std::vector<ProjectField> fields,
                         std::function<bool(const CollectionProject&)> written = {}) {
  return {key, [fields](const CollectionProject& project) { return WriteFields(fields, project); },
          [key, fields](const Json& value, CollectionProject& project) -> std::optional<FieldFault> {
            if (!value.is_object()) return FieldFault{key, T("对象")};
            std::optional<FieldFault> fault = ReadFields(fields, value, project);
            if (fault) fault->field = key + "." + fault->field;
            return fault;
          },
          std::move(written)};
}

// The next-page settings, written only when they are not the defaults.
ProjectField NextPageField() {
  return ObjectField(
      "nextPage",
      {TextField("rule", &CollectionProject::next, &NextPageSettings::rule),
       WholeNumberField(
           "maxNext", kMaxNextRange, [](const CollectionProject& p) { return p.next.maxNext; },
           [](CollectionProject& p, int n) { p.next.maxNext = n; }),
       TrueOrFalseField(
           "wholePage", [](const CollectionProject& p) { return p.next.scope == NextPageScope::WholePage; },
           [](CollectionProject& p, bool whole) {
             p.next.scope = whole ? NextPageScope::WholePage : NextPageScope::PageText;
           })},
      [](const CollectionProject& p) { return p.next != NextPageSettings{}; });
}

// The detail stage, written only when something of it is set.
ProjectField DetailPageField() {
  return ObjectField("detailPage",
                     {TextField("column", &CollectionProject::detail, &DetailSettings::column),
                      TextField("before", &CollectionProject::detail, &DetailSettings::before),
                      TextField("after", &CollectionProject::detail, &DetailSettings::after),
                      TextField("rule", &CollectionProject::detail, &DetailSettings::rule)},
                     [](const CollectionProject& p) { return p.detail != DetailSettings{}; });
}

ProjectField StoreFileField(std::string key) {
  return {key, [](const CollectionProject& project) { return Json(project.store.file); },
          [key](const Json& value, CollectionProject& project) -> std::optional<FieldFault> {
            if (!value.is_string()) return FieldFault{key, T("文本")};
            project.store.file = value.get<std::string>();
            return std::nullopt;
          }};
}

ProjectField RecordColumnsField(std::string key) {
  return {key, [](const CollectionProject& project) { return Json(project.store.recordColumns); },
          [key](const Json& value, CollectionProject& project) -> std::optional<FieldFault> {
            const FieldFault fault{key, T("由不小于 1 的整数组成的数组")};
            if (!value.is_array()) return fault;
            std::vector<int> columns;
            for (const Json& entry : value) {
              const std::optional<int> column = WholeNumber(entry, SettingRange{1, INT_MAX});
              if (!column) return fault;
              columns.push_back(*column);
            }
            project.store.recordColumns = std::move(columns);
            return std::nullopt;
          }};
}

const std::vector<ProjectField>& ProjectFields() {
  static const std::vector<ProjectField> fields = {
      TextField("addresses", &CollectionProject::addressText),
      TextField("cookie", &CollectionProject::cookie),
      TextField("before", &CollectionProject::before),
      TextField("after", &CollectionProject::after),
      TextField("rule", &CollectionProject::rule),
      TextField("separator", &CollectionProject::separator),
      EncodingField("encoding"),
      SwitchField("literalRule", &CollectionProject::ruleSyntax, RuleSyntax::Literal, RuleSyntax::Pattern),
      ObjectField("fetching",
                  {WholeNumberField(
                       "perHost", kPerHostRange, [](const CollectionProject& p) { return p.fetching.perHost; },
                       [](CollectionProject& p, int n) { p.fetching.perHost = n; }),
                   WholeNumberField(
                       "jobs", kJobsRange, [](const CollectionProject& p) { return p.fetching.jobs; },
                       [](CollectionProject& p, int n) { p.fetching.jobs = n; }),
                   WholeNumberField(
                       "delayMilliseconds", kDelayRange,
                       [](const CollectionProject& p) { return static_cast<long long>(p.fetching.delay.count()); },
                       [](CollectionProject& p, int n) { p.fetching.delay = std::chrono::milliseconds(n); })}),
      NextPageField(),
      DetailPageField(),
      // Files of projects that keep no store have no such entry.
      ObjectField("store", {StoreFileField("file"), TrueOrFalseField(
                      "onlyNew", [](const CollectionProject& p) { return p.store.onlyNew; },
                      [](CollectionProject& p, bool onlyNew) { p.store.onlyNew = onlyNew; }), RecordColumnsField("recordColumns")},
                  [](const CollectionProject& p) { return p.store != StoreChoice{}; }),
  };
  return fields;
}

Text Quoted(const std::string& path) { return T("“") + runtime::Utf8ToText(path) + T("”"); }

ProjectLoadResult LoadFailure(Text message) {
  ProjectLoadResult result;
  result.message = std::move(message);
  return result;
}

// The parser's account without its own tag ("[json.exception.parse_error.101] ").
Text ParseFault(const Json::parse_error& error) {
  std::string what = error.what();
  const std::size_t tagEnd = what.find("] ");
  if (what.rfind("[json.exception", 0) == 0 && tagEnd != std::string::npos) what.erase(0, tagEnd + 2);
  return runtime::Utf8ToText(what);
}

// A number as the message shows it: at most six significant digits.
Text ShownNumber(double number) {
  char shown[32];
  std::snprintf(shown, sizeof shown, "%g", number);
  return shown;
}

}  // namespace

std::string ProjectDocument(const CollectionProject& project) {
  Json object = WriteFields(ProjectFields(), project);
  object["format"] = kFormat;
  object["version"] = kVersion;
  return object.dump(4, ' ', false, Json::error_handler_t::replace) + "\n";
}

ProjectSaveResult SaveProject(const std::string& path, const CollectionProject& project) {
  const std::string fault = ReplaceFileContent(path, ProjectDocument(project));
  if (fault.empty()) return {.saved = true, .message = {}};
  return {.saved = false,
          .message = T("无法保存项目文件 ") + Quoted(path) + T("：") + runtime::Utf8ToText(fault)};
}

ProjectLoadResult LoadProject(const std::string& path) {
  std::string fault;
  const std::optional<std::string> bytes = ReadWholeFile(path, fault);
  if (!bytes) return LoadFailure(T("无法打开项目文件 ") + Quoted(path) + T("：") + runtime::Utf8ToText(fault));
  Json document;
  try {
    document = Json::parse(*bytes);
  } catch (const Json::parse_error& error) {
    return LoadFailure(T("项目文件 ") + Quoted(path) + T(" 不是有效的 JSON：") + ParseFault(error) + T("（第 ") +
                       runtime::ToText(static_cast<std::int64_t>(error.byte)) + T(" 字节处）"));
  }
  const auto format = document.is_object() ? document.find("format") : document.end();
  if (!document.is_object() || format == document.end() || *format != kFormat) {
    return LoadFailure(T("文件 ") + Quoted(path) + T(" 不是 Pelmo 项目文件"));
  }
  const auto version = document.find("version");
  const bool isNumber = version != document.end() && version->is_number();
  if (!isNumber || version->get<double>() != kVersion) {
    const Text shown = isNumber ? ShownNumber(version->get<double>()) : T("缺失或不是数字");
    return LoadFailure(T("项目文件 ") + Quoted(path) + T(" 的版本（") + shown + T("）不受支持，本程序读取版本 1"));
  }
  ProjectLoadResult result;
  if (std::optional<FieldFault> fault = ReadFields(ProjectFields(), document, result.project)) {
    return LoadFailure(T("项目文件 ") + Quoted(path) + T(" 中的字段 “") + runtime::Utf8ToText(fault->field) +
                       T("” 应为") + fault->expected);
  }
  // A store named relative to the project lies beside it, wherever the program runs.
  const std::filesystem::path store(result.project.store.file);
  if (!store.empty() && store.is_relative()) {
    result.project.store.file = (std::filesystem::path(path).parent_path() / store).string();
  }
  result.loaded = true;
  return result;
}

}  // namespace collect
