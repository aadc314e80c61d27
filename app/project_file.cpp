// Saving and loading collection projects with QJsonDocument and QSaveFile.
#include "app/project_file.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <array>
#include <climits>
#include <cmath>
#include <optional>

#include "app/qt_text.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"

namespace app {
namespace {

using collect::CollectionProject;
using collect::PageEncoding;

constexpr int kVersion = 1;
const QString kFormat = QStringLiteral("pelmo-project");

struct TextField {
  const char* key;
  runtime::Text CollectionProject::*member;
};

constexpr std::array<TextField, 6> kTextFields = {{
    {"addresses", &CollectionProject::addressText},
    {"cookie", &CollectionProject::cookie},
    {"before", &CollectionProject::before},
    {"after", &CollectionProject::after},
    {"rule", &CollectionProject::rule},
    {"separator", &CollectionProject::separator},
}};

struct EncodingName {
  PageEncoding encoding;
  const char* name;
};

constexpr std::array<EncodingName, 3> kEncodingNames = {{
    {PageEncoding::Gbk, "gbk"},
    {PageEncoding::Utf8, "utf8"},
    {PageEncoding::Auto, "auto"},
}};

// A field that is there but holds the wrong type or value, and what it should hold.
struct FieldFault {
  QString field;
  runtime::Text expected;
};

runtime::Text Quoted(const QString& path) {
  return runtime::T("“") + FromQString(QDir::toNativeSeparators(path)) + runtime::T("”");
}

ProjectLoadResult LoadFailure(runtime::Text message) {
  ProjectLoadResult result;
  result.message = std::move(message);
  return result;
}

QJsonObject ProjectObject(const CollectionProject& project) {
  QJsonObject object;
  object.insert(QStringLiteral("format"), kFormat);
  object.insert(QStringLiteral("version"), kVersion);
  for (const TextField& field : kTextFields) {
    object.insert(QLatin1String(field.key), ToQString(project.*field.member));
  }
  for (const EncodingName& entry : kEncodingNames) {
    if (entry.encoding == project.encoding) {
      object.insert(QStringLiteral("encoding"), QLatin1String(entry.name));
    }
  }
  QJsonObject fetching;
  fetching.insert(QStringLiteral("perHost"), project.fetching.perHost);
  fetching.insert(QStringLiteral("jobs"), project.fetching.jobs);
  fetching.insert(QStringLiteral("delayMilliseconds"),
                  static_cast<qint64>(project.fetching.delay.count()));
  object.insert(QStringLiteral("fetching"), fetching);
  return object;
}

// A whole number of at least minimum, within int; nothing for any other value.
std::optional<int> WholeNumber(const QJsonValue& value, int minimum) {
  if (!value.isDouble()) return std::nullopt;
  double number = value.toDouble();
  if (number != std::floor(number) || number < minimum || number > INT_MAX) return std::nullopt;
  return static_cast<int>(number);
}

std::optional<FieldFault> ReadFetching(const QJsonObject& object,
                                       collect::FetchPoliteness& fetching) {
  struct NumberField {
    const char* key;
    int minimum;
  };
  constexpr std::array<NumberField, 3> kNumberFields = {
      {{"perHost", 1}, {"jobs", 1}, {"delayMilliseconds", 0}}};
  std::array<int, 3> numbers = {fetching.perHost, fetching.jobs,
                                static_cast<int>(fetching.delay.count())};
  for (size_t i = 0; i < kNumberFields.size(); ++i) {
    QJsonValue value = object.value(QLatin1String(kNumberFields[i].key));
    if (value.isUndefined()) continue;
    std::optional<int> number = WholeNumber(value, kNumberFields[i].minimum);
    if (!number) {
      return FieldFault{QStringLiteral("fetching.") + QLatin1String(kNumberFields[i].key),
                        runtime::T("不小于 ") + runtime::ToText(kNumberFields[i].minimum) +
                            runtime::T(" 的整数")};
    }
    numbers[i] = *number;
  }
  fetching = {numbers[0], numbers[1], std::chrono::milliseconds(numbers[2])};
  return std::nullopt;
}

std::optional<FieldFault> ReadEncoding(const QJsonValue& value, PageEncoding& encoding) {
  if (value.isUndefined()) return std::nullopt;
  for (const EncodingName& entry : kEncodingNames) {
    if (value.isString() && value.toString() == QLatin1String(entry.name)) {
      encoding = entry.encoding;
      return std::nullopt;
    }
  }
  return FieldFault{QStringLiteral("encoding"), runtime::T("\"gbk\"、\"utf8\" 或 \"auto\"")};
}

// Fills project from the fields that are there; stops at the first field that does not fit.
std::optional<FieldFault> ReadFields(const QJsonObject& object, CollectionProject& project) {
  for (const TextField& field : kTextFields) {
    QJsonValue value = object.value(QLatin1String(field.key));
    if (value.isUndefined()) continue;
    if (!value.isString()) return FieldFault{QLatin1String(field.key), runtime::T("文本")};
    project.*field.member = FromQString(value.toString());
  }
  if (auto fault = ReadEncoding(object.value(QStringLiteral("encoding")), project.encoding)) {
    return fault;
  }
  QJsonValue fetching = object.value(QStringLiteral("fetching"));
  if (fetching.isUndefined()) return std::nullopt;
  if (!fetching.isObject()) return FieldFault{QStringLiteral("fetching"), runtime::T("对象")};
  return ReadFetching(fetching.toObject(), project.fetching);
}

}  // namespace

ProjectSaveResult SaveProject(const QString& path, const CollectionProject& project) {
  QByteArray bytes = QJsonDocument(ProjectObject(project)).toJson(QJsonDocument::Indented);
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
    return {.saved = true, .message = {}};
  }
  return {.saved = false,
          .message = runtime::T("无法保存项目文件 ") + Quoted(path) + runtime::T("：") +
                     FromQString(file.errorString())};
}

ProjectLoadResult LoadProject(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return LoadFailure(runtime::T("无法打开项目文件 ") + Quoted(path) + runtime::T("：") +
                       FromQString(file.errorString()));
  }
  QJsonParseError parseError;
  QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    return LoadFailure(runtime::T("项目文件 ") + Quoted(path) + runtime::T(" 不是有效的 JSON：") +
                       FromQString(parseError.errorString()) + runtime::T("（第 ") +
                       runtime::ToText(static_cast<std::int64_t>(parseError.offset)) +
                       runtime::T(" 字节处）"));
  }
  QJsonObject object = document.object();
  if (!document.isObject() || object.value(QStringLiteral("format")).toString() != kFormat) {
    return LoadFailure(runtime::T("文件 ") + Quoted(path) + runtime::T(" 不是 Pelmo 项目文件"));
  }
  QJsonValue version = object.value(QStringLiteral("version"));
  if (!version.isDouble() || version.toDouble() != kVersion) {
    runtime::Text shown = version.isDouble() ? FromQString(QString::number(version.toDouble()))
                                             : runtime::T("缺失或不是数字");
    return LoadFailure(runtime::T("项目文件 ") + Quoted(path) + runtime::T(" 的版本（") + shown +
                       runtime::T("）不受支持，本程序读取版本 1"));
  }
  ProjectLoadResult result;
  if (std::optional<FieldFault> fault = ReadFields(object, result.project)) {
    return LoadFailure(runtime::T("项目文件 ") + Quoted(path) + runtime::T(" 中的字段 “") +
                       FromQString(fault->field) + runtime::T("” 应为") + fault->expected);
  }
  result.loaded = true;
  return result;
}

}  // namespace app
