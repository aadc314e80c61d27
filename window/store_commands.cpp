// The main window's commands over the run store: runs kept in it, the unfinished run carried on,
// only new records, and the store chosen with its last run shown.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "collect/collection_engine.h"
#include "collect/run_digests.h"
#include "collect/run_store.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"
#include "window/control_widgets.h"
#include "window/file_choice.h"
#include "window/main_window.h"
#include "window/qt_text.h"
#include "window/report_list_view.h"

namespace window {
namespace {

using runtime::T;
using runtime::Text;

constexpr int kWarningIconOk = 0x30;

// The store's unfinished run, read beside whatever else uses the store; nothing without a store
// file or an unfinished run, or when it cannot be read (fault set).
std::optional<collect::StoredRun> UnfinishedRunIn(const std::string& file, Text& fault) {
  if (file.empty() || !QFileInfo::exists(QFile::decodeName(file.c_str()))) return std::nullopt;
  collect::StoreOpening opening = collect::OpenRunStore(file, collect::StoreUse::Read);
  if (!opening.store) {
    fault = opening.fault;
    return std::nullopt;
  }
  std::optional<collect::StoredRun> unfinished = opening.store->UnfinishedRun();
  fault = opening.store->Fault();
  return unfinished;
}

}  // namespace

void MainWindow::CollectIntoList(const collect::CollectionSettings& settings, int resumedRun) {
  std::unique_ptr<collect::RunStore> store;
  std::unique_ptr<collect::StoreJournal> journal;
  if (!store_.file.empty()) {
    collect::StoreOpening opening = collect::OpenRunStore(store_.file, collect::StoreUse::Run);
    if (opening.store) {
      journal = opening.store->BeginRun({.settings = settings,
                                         .choice = store_,
                                         .separator = EditBoxText(controls_.separator),
                                         .resumedRun = resumedRun});
    }
    if (!journal) {
      boxes_.Show(this, opening.store ? opening.store->Fault() : opening.fault, kWarningIconOk);
      return;
    }
    store = std::move(opening.store);
  }
  SetEditBoxText(controls_.pageText, Text());
  ClearResultList();
  const collect::RunSummary summary = CollectInBackground(settings, journal.get());
  session_.failedAddresses = summary.failedAddresses;
  if (!journal) return;
  if (!journal->Finish(summary)) {
    boxes_.Show(this, journal->Fault(), kWarningIconOk);
    return;
  }
  // The store holds every row of the list.
  MarkRowsKept();
}

void MainWindow::ResumeLastRun() {
  const collect::CollectionSettings settings = collect::SettingsForRun(ReadProject());
  if (RefusedToRun(settings)) return;
  Text fault;
  const std::optional<collect::StoredRun> unfinished = UnfinishedRunIn(store_.file, fault);
  if (!fault.empty()) {
    boxes_.Show(this, fault, kWarningIconOk);
    return;
  }
  if (!unfinished) return;
  if (unfinished->settingsDigest != collect::DigestsOf(settings, store_).settings) {
    boxes_.Show(this, T("当前的设置与上次中断的采集不同，无法继续。请打开那次采集的项目，或开始新的采集。"), kWarningIconOk);
    return;
  }
  CollectIntoList(settings, unfinished->id);
}

MenuItemLook MainWindow::ResumeMenuItemLook() const {
  Text fault;
  const std::optional<collect::StoredRun> unfinished = running_ ? std::nullopt : UnfinishedRunIn(store_.file, fault);
  if (!unfinished) return {.shown = false, .caption = {}};
  return {.shown = true,
          .caption = T("继续上次的采集（") + runtime::ToText(unfinished->pagesDone) + " / " +
                     runtime::ToText(unfinished->pageCount) + T("）")};
}

void MainWindow::ToggleOnlyNew() { store_.onlyNew = !store_.onlyNew; }

MenuItemLook MainWindow::OnlyNewMenuItemLook() const {
  return {.shown = true, .caption = T("只采集新纪录"), .checkable = true, .checked = store_.onlyNew,
          .enabled = !store_.file.empty()};
}

void MainWindow::ChooseRunStore() {
  QString path = ChooseFileToUse(this, {QStringLiteral("采集库"), QStringLiteral("Pelmo 采集库 (*.pelmo.sqlite *.sqlite)")});
  if (path.isEmpty()) return;
  if (!QFileInfo(path).fileName().contains(QLatin1Char('.'))) path += QStringLiteral(".pelmo.sqlite");
  const std::string file = QFile::encodeName(path).toStdString();
  const Text shown = FromQString(QDir::toNativeSeparators(path));
  if (!QFileInfo::exists(path)) {
    store_.file = file;
    ShowStatusMessage(collect::StoreChosenMessage(shown));
    return;
  }
  collect::StoreOpening opening = collect::OpenRunStore(file, collect::StoreUse::Read);
  if (!opening.store) {
    boxes_.Show(this, opening.fault, kWarningIconOk);
    return;
  }
  store_.file = file;
  const std::optional<collect::StoredRun> latest = opening.store->LatestRun();
  if (!latest) {
    ShowStatusMessage(collect::StoreChosenMessage(shown));
    return;
  }
  collect::ResultTable table = opening.store->ReadTable(*latest);
  if (!opening.store->Fault().empty()) {
    boxes_.Show(this, opening.store->Fault(), kWarningIconOk);
    return;
  }
  const int rows = table.RowCount();
  controls_.list->Model().ShowTable(std::move(table));
  MarkRowsKept();
  ShowStatusMessage(collect::StoredRunShownMessage(shown, latest->id, rows));
}

}  // namespace window
