#pragma once
// ControlHook sees every event of one widget before the widget does, without the widget
// knowing about it: it installs itself as an event filter on the hooked widget. Derived
// classes override hookedEvent() to handle or swallow events. The hook survives a re-created
// native window (Qt keeps event filters and attributes across it; handleChanged() reports it)
// and lets go by itself when the hooked widget is destroyed.
//
//     ControlHook hook(&window);     // owned by the window, like any component
//     hook.setControl(someWidget);    // hooks at once; setControl(nullptr) unhooks
//
// With Target HookTarget::Window the hook sits on the top-level window that contains Control (or,
// without a control, the window that owns the hook through its QObject parents).
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <stdexcept>

namespace pixbako {

enum class HookTarget { Control, Window };

// Target HookTarget::Window without any window to be found.
class HookTargetError : public std::runtime_error {
public:
    HookTargetError();
};

class ControlHook : public QObject {
    Q_OBJECT
public:
    explicit ControlHook(QObject* owner = nullptr);
    ~ControlHook() override;

    // Both setters unhook, store the value and hook again; with HookTarget::Window they throw
    // HookTargetError when no window can be found (the value stays stored, unhooked).
    QWidget* control() const { return control_; }
    void setControl(QWidget* control);
    HookTarget target() const { return target_; }
    void setTarget(HookTarget target);

    // The widget whose events pass this hook now; null when unhooked.
    QWidget* hookedControl() const { return hooked_; }

protected:
    // reason 1: the hooked widget's native window is gone; reason 2: it has a new one.
    virtual void handleChanged(int reason);
    // Called right after a widget was hooked (on) and right before it is let go (off), while
    // hookedControl() names it. A derived hook that overrides it unhooks in its own destructor.
    virtual void hookChanged(bool on);
    // Every event of the hooked widget; true swallows it. The default passes it on.
    virtual bool hookedEvent(QEvent* event);

    bool eventFilter(QObject* watched, QEvent* event) override;

    // The widget found for Control and Target; null for HookTarget::Control without a Control.
    QWidget* hookTarget() const;
    void hook();
    void unhook();

private:
    void hookedDestroyed();

    QPointer<QWidget> control_;
    HookTarget target_ = HookTarget::Control;
    QPointer<QWidget> hooked_;
};

} // namespace pixbako
