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

class LabelAccessible final : public QAccessibleWidget {
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
    if (t == QAccessible::Name) {
      return row ? FromUtf8(access::NameOf(*row, Label()->text().toStdString())) : Label()->text();
    }
    return QAccessibleWidget::text(t);
  }

  // The action: Close's press is its click. It runs once the reader's request has been answered,
  // since the click opens a modal box.
  QStringList actionNames() const override {
    if (Button()) return {pressAction()};
    return QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (!Button() || action != pressAction()) return QAccessibleWidget::doAction(action);
    QMetaObject::invokeMethod(Label(), "clicked", Qt::QueuedConnection);
  }

 private:
  SkinLabel* Label() const { return static_cast<SkinLabel*>(object()); }
  bool Button() const {
    const access::Accessible* row = RowOf(object());
    return row && row->role == access::Role::Button;
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
