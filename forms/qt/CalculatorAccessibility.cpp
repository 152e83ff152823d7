// The calculator's own accessibility interfaces, created on demand through a factory that answers
// only for controls frmCalculator has marked; every other widget keeps Qt's interface.
#include "forms/qt/CalculatorAccessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QLabel>
#include <QPointer>

#include <algorithm>
#include <limits>
#include <string>

#include "calculator/NumberText.h"

namespace zarnetcalc::forms::qt::accessibility {
namespace {

struct Mark {
    Presentation presentation = Presentation::Readout;
    QPointer<QLabel> speaksFor;  // for a Speaker: the display
    QString message;             // for a Speaker: a message said instead, until the next figure
};

// The marked controls. Qt asks the factory about every object it meets, so the answer for the
// others must be cheap: one hash lookup. Never destroyed, so that a control outliving the
// library's static objects can still take its mark out.
QHash<const QObject*, Mark>& Marks() {
    static auto* marks = new QHash<const QObject*, Mark>;
    return *marks;
}

// A label read for its text (the display, the FIX indicator): its name says what it is, its text
// and its text content are what it shows, and its value is the number that stands for it
// (assistive tools take values as numbers): the figure a readout shows, NaN while it shows none
// ("Error"); 1 while an indicator is lit, 0 while it is blank. Read-only: no caret, no selection,
// a value that cannot be set.
class ReadoutInterface final : public QAccessibleWidget,
                               public QAccessibleTextInterface,
                               public QAccessibleValueInterface {
  public:
    ReadoutInterface(QLabel* label, Presentation presentation)
        : QAccessibleWidget(label, QAccessible::StaticText),
          indicator_(presentation == Presentation::Indicator) {}

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? Label()->text() : QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        if (t == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override {
        const QString shown = Label()->text();
        if (indicator_) {
            return shown.isEmpty() ? 0.0 : 1.0;
        }
        const std::optional<double> number =
            calculator::TextToNumber(std::string(shown.toLatin1().constData()));
        return number.value_or(std::numeric_limits<double>::quiet_NaN());
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override {
        return indicator_ ? 1.0 : std::numeric_limits<double>::max();
    }
    QVariant minimumValue() const override {
        return indicator_ ? 0.0 : std::numeric_limits<double>::lowest();
    }
    QVariant minimumStepSize() const override { return indicator_ ? 1.0 : 0.0; }

    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    // Offsets out of range are clamped; an end below zero means the end of the text.
    QString text(int startOffset, int endOffset) const override {
        const QString all = Label()->text();
        const auto size = static_cast<int>(all.size());
        const int end = endOffset < 0 ? size : std::min(endOffset, size);
        const int start = std::clamp(startOffset, 0, end);
        return all.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(Label()->text().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }

  private:
    QLabel* Label() const { return static_cast<QLabel*>(widget()); }
    const bool indicator_;
};

// The focus holder: the focus rests on it after every key, so its name is the display's text and
// a screen reader, which speaks the focused object's name when it changes, says each new figure.
// Its description tells what Enter does there; pressing it is equals.
class SpeakerInterface final : public QAccessibleWidget {
  public:
    explicit SpeakerInterface(QAbstractButton* button)
        : QAccessibleWidget(button, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const auto mark = Marks().constFind(widget());
            if (mark != Marks().cend() && !mark->message.isEmpty()) {
                return mark->message;
            }
            const QLabel* display = mark != Marks().cend() ? mark->speaksFor.data() : nullptr;
            return display != nullptr ? display->text() : QString();
        }
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << pressAction();
    }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            static_cast<QAbstractButton*>(widget())->click();  // nothing while disabled
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }
};

// Present and enabled like any control, but reported as not shown, so that reading the dialog
// passes it by. A hidden button that takes the focus from Tab still says its name then.
class OutOfTheWayInterface final : public QAccessibleWidget {
  public:
    using QAccessibleWidget::QAccessibleWidget;
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
};

// Asked once for every class up an object's hierarchy; it answers for the controls marked by
// Present, at the object's own class.
QAccessibleInterface* Factory(const QString& className, QObject* object) {
    const auto mark = Marks().constFind(object);
    if (mark == Marks().cend() || className != QLatin1String(object->metaObject()->className())) {
        return nullptr;
    }
    auto* widget = static_cast<QWidget*>(object);
    auto* button = qobject_cast<QAbstractButton*>(object);
    switch (mark->presentation) {
        case Presentation::Readout:
        case Presentation::Indicator:
            if (auto* label = qobject_cast<QLabel*>(object)) {
                return new ReadoutInterface(label, mark->presentation);
            }
            return nullptr;
        case Presentation::Speaker:
            if (button != nullptr) {
                return new SpeakerInterface(button);
            }
            return nullptr;
        case Presentation::OutOfTheWay:
            return new OutOfTheWayInterface(
                widget, button != nullptr ? QAccessible::Button : QAccessible::StaticText);
        case Presentation::Key:
            break;
    }
    return nullptr;
}

// Installed once, and taken out again should this code be unloaded before Qt is.
struct FactoryRegistration {
    FactoryRegistration() { QAccessible::installFactory(Factory); }
    ~FactoryRegistration() { QAccessible::removeFactory(Factory); }
    FactoryRegistration(const FactoryRegistration&) = delete;
    FactoryRegistration& operator=(const FactoryRegistration&) = delete;
};

}  // namespace

void Present(QWidget* control, Presentation presentation) {
    if (presentation == Presentation::Key) {
        return;
    }
    static const FactoryRegistration registration;
    const bool known = Marks().contains(control);
    Marks()[control].presentation = presentation;
    if (!known) {
        QObject::connect(control, &QObject::destroyed, [](QObject* gone) { Marks().remove(gone); });
    }
}

void SpeakFor(QWidget* speaker, QLabel* display) {
    const auto mark = Marks().find(speaker);
    if (mark != Marks().end()) {
        mark->speaksFor = display;
    }
}

void AnnounceReadout(QLabel* readout, const QString& oldText, QWidget* speaker) {
    const QString text = readout->text();
    QAccessibleTextUpdateEvent textUpdate(readout, 0, oldText, text);
    QAccessible::updateAccessibility(&textUpdate);
    QAccessibleInterface* readoutInterface = QAccessible::queryAccessibleInterface(readout);
    QAccessibleValueInterface* value =
        readoutInterface != nullptr ? readoutInterface->valueInterface() : nullptr;
    QAccessibleValueChangeEvent valueChange(readout,
                                            value != nullptr ? value->currentValue() : text);
    QAccessible::updateAccessibility(&valueChange);
    if (speaker != nullptr) {
        if (const auto mark = Marks().find(speaker); mark != Marks().end()) {
            mark->message.clear();
        }
        QAccessibleEvent nameChange(speaker, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameChange);
    }
}

void Announce(QWidget* speaker, const QString& message) {
    const auto mark = Marks().find(speaker);
    if (mark == Marks().end()) {
        return;
    }
    mark->message = message;
    QAccessibleEvent nameChange(speaker, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChange);
}

}  // namespace zarnetcalc::forms::qt::accessibility
