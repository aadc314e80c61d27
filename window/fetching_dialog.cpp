// The fetching dialog.
#include "window/fetching_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

#include "collect/setting_ranges.h"

namespace window {
namespace {

QSpinBox* NumberBox(QWidget* parent, collect::SettingRange range, int value, const QString& suffix) {
  auto* box = new QSpinBox(parent);
  box->setRange(static_cast<int>(range.lowest), static_cast<int>(range.highest));
  box->setValue(value);
  box->setSuffix(suffix);
  return box;
}

}  // namespace

FetchingDialog::FetchingDialog(QWidget* parent, const collect::FetchPoliteness& current) : QDialog(parent) {
  setWindowTitle(QStringLiteral("下载设置"));
  setObjectName(QStringLiteral("下载设置"));
  perHost_ = NumberBox(this, collect::kPerHostRange, current.perHost, QString());
  jobs_ = NumberBox(this, collect::kJobsRange, current.jobs, QString());
  delay_ = NumberBox(this, collect::kDelayRange, static_cast<int>(current.delay.count()), QStringLiteral(" 毫秒"));
  perHost_->setToolTip(QStringLiteral("同时连接同一主机的最多个数；1 与 1 逐页下载"));
  jobs_->setToolTip(QStringLiteral("同时下载的最多页数；结果仍按网址顺序"));
  auto* form = new QFormLayout(this);
  form->addRow(QStringLiteral("每个主机的连接数"), perHost_);
  form->addRow(QStringLiteral("同时下载的页数"), jobs_);
  form->addRow(QStringLiteral("同一主机两次请求的间隔"), delay_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

collect::FetchPoliteness FetchingDialog::Chosen() const {
  return {perHost_->value(), jobs_->value(), std::chrono::milliseconds(delay_->value())};
}

}  // namespace window
