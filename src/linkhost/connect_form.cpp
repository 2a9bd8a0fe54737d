#include "linkhost/connect_form.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "automation/object_registry.h"

namespace vx::linkhost {

constexpr const char* kAddressKey = "Address";

ConnectForm::ConnectForm(addin::_Application& engine, std::vector<FoundMeter> meters,
                         Prompter& prompter, QWidget* parent)
    : QDialog(parent), engine_(engine), meters_(std::move(meters)), prompter_(prompter) {
  setObjectName("ConnectForm");
}

// The control's window belongs to the form while it is shown; the object lets go of it.
ConnectForm::~ConnectForm() {
  if (control_ && control_->Window()) control_->Window()->setParent(nullptr);
}

std::string ConnectForm::Text(const std::string& key) {
  auto text = engine_.GetIdText(key);
  return text && !text->empty() ? *text : key;
}

std::string ConnectForm::SetUp() {
  setWindowTitle(QString::fromStdString(Text("ConnectTitle")));
  auto control = automation::CreateObjectAs<listcontrol::_VXdmmCTL>(listcontrol::kProgId);
  if (!control) return "the instrument list cannot be created: " + control.error().description;
  control_ = *control;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(control_->Window());
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok =
      buttons->addButton(QString::fromStdString(Text("OK")), QDialogButtonBox::AcceptRole);
  ok->setObjectName("ok");
  QPushButton* cancel =
      buttons->addButton(QString::fromStdString(Text("Cancel")), QDialogButtonBox::RejectRole);
  cancel->setObjectName("cancel");
  layout->addWidget(buttons);
  connect(ok, &QPushButton::clicked, this, [this] { OnOk(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  resize(560, 260);

  for (const FoundMeter& meter : meters_) {
    if (const automation::Status row = control_->IDN(meter.identity, meter.descriptor); !row) {
      prompter_.Message(row.error().description, Text("ConnectTitle"), MessageIcon::Exclamation);
    }
  }
  std::string key = kAddressKey;
  std::string none;
  auto last = engine_.LoadSetting(key, none);
  control_->put_mark_Address(last ? *last : std::string());
  control_->selmark();
  return {};
}

void ConnectForm::OnOk() {
  const std::string address = control_->get_mark_Address();
  for (size_t i = 0; i < meters_.size(); ++i) {
    if (meters_[i].descriptor != address) continue;
    chosen_ = static_cast<int>(i);
    std::string key = kAddressKey;
    std::string value = address;
    engine_.SaveSetting1(key, value);
    accept();
    return;
  }
  prompter_.Message(Text("ChooseMeter"), Text("ConnectTitle"), MessageIcon::Exclamation);
}

}  // namespace vx::linkhost
