#include "window/qt/accessible_qt.h"

#include <QAccessibleWidget>
#include <QMetaObject>

#include "form/accessible.h"
#include "window/qt/convert_qt.h"
#include "window/qt/skin_label_qt.h"

namespace orvane::qt {
namespace {

// The row of the label's control, looked up at every question: Qt may make the interface while
// the label is still being built, before it has its name.
const access::Accessible* RowOf(const QObject* label) {
  for (const access::Accessible& row : access::kAccessible) {
    if (label->objectName() == QLatin1String(ControlName(row.id).data(),
                                             static_cast<qsizetype>(ControlName(row.id).size()))) {
      return &row;
    }
  }
  return nullptr;
}

class LabelAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit LabelAccessible(SkinLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

  QAccessible::Role role() const override {
    const access::Accessible* row = RowOf(object());
    if (!row) return QAccessible::StaticText;
    switch (row->role) {
      case access::Role::Button: return QAccessible::Button;
      case access::Role::Animation: return QAccessible::Animation;
      case access::Role::Counter:
      case access::Role::Own: break;
    }
    return QAccessible::StaticText;
  }

  QString text(QAccessible::Text t) const override {
    const access::Accessible* row = RowOf(object());
    if (t == QAccessible::Name) return row ? FromUtf8(row->name) : Label()->text();
    if (t == QAccessible::Value && Counter()) return Label()->text();
    return QAccessibleWidget::text(t);
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface && Counter()) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  // The action: Close's press is its click. It runs once the reader's request has been answered,
  // since the click opens a modal box.
  QStringList actionNames() const override {
    if (Button()) return {pressAction()};
    if (Counter()) return {};  // not the value's increase and decrease: the count is read only
    return QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (!Button() || action != pressAction()) return QAccessibleWidget::doAction(action);
    SkinLabel* label = Label();
    QMetaObject::invokeMethod(label, [label] { emit label->clicked(); }, Qt::QueuedConnection);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

  // QAccessibleValueInterface, for the count: the minutes counted so far.
  QVariant currentValue() const override { return Label()->text().toInt(); }
  void setCurrentValue(const QVariant&) override {}
  QVariant maximumValue() const override { return 32767; }
  QVariant minimumValue() const override { return 0; }
  QVariant minimumStepSize() const override { return 1; }

 private:
  SkinLabel* Label() const { return static_cast<SkinLabel*>(object()); }
  bool Button() const {
    const access::Accessible* row = RowOf(object());
    return row && row->role == access::Role::Button;
  }
  bool Counter() const {
    const access::Accessible* row = RowOf(object());
    return row && row->role == access::Role::Counter;
  }
};

QAccessibleInterface* LabelFactory(const QString&, QObject* object) {
  if (auto* label = qobject_cast<SkinLabel*>(object)) return new LabelAccessible(label);
  return nullptr;
}

}  // namespace

void InstallAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(LabelFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace orvane::qt
