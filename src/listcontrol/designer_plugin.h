#pragma once
// Offers VXdmmCTL to Qt Designer, so that a form can place the control.

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

namespace vx::listcontrol {

class VXdmmCTLDesignerPlugin : public QObject, public QDesignerCustomWidgetInterface {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
  Q_INTERFACES(QDesignerCustomWidgetInterface)

 public:
  explicit VXdmmCTLDesignerPlugin(QObject* parent = nullptr) : QObject(parent) {}

  QString name() const override { return "vx::listcontrol::VXdmmCTL"; }
  QString group() const override { return "K9-90/1"; }
  QString toolTip() const override { return "The meters found, with Connect and Disconnect"; }
  QString whatsThis() const override { return toolTip(); }
  QString includeFile() const override { return "listcontrol/vxdmm_ctl.h"; }
  QIcon icon() const override { return {}; }
  bool isContainer() const override { return false; }
  QWidget* createWidget(QWidget* parent) override;
  bool isInitialized() const override { return initialized_; }
  void initialize(QDesignerFormEditorInterface*) override { initialized_ = true; }
  QString domXml() const override;

 private:
  bool initialized_ = false;
};

}  // namespace vx::listcontrol
