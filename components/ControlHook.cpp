#include "components/ControlHook.h"

#include <QEvent>

namespace pixbako {

HookTargetError::HookTargetError() : std::runtime_error("フック先を特定できません。") {}

ControlHook::ControlHook(QObject* owner) : QObject(owner) {}

ControlHook::~ControlHook() {
    unhook();
}

void ControlHook::setControl(QWidget* control) {
    unhook();
    control_ = control;
    hook();
}

void ControlHook::setTarget(HookTarget target) {
    unhook();
    target_ = target;
    hook();
}

QWidget* ControlHook::hookTarget() const {
    if (target_ == HookTarget::Control)
        return control_;
    if (control_)
        return control_->window();
    // No control: the window that owns this hook, found through the chain of owners.
    for (QObject* owner = parent(); owner; owner = owner->parent()) {
        if (owner->isWidgetType())
            return static_cast<QWidget*>(owner)->window();
    }
    return nullptr;
}

void ControlHook::hook() {
    QWidget* target = hookTarget();
    if (!target) {
        if (target_ == HookTarget::Window)
            throw HookTargetError();
        return;
    }
    hooked_ = target;
    connect(target, &QObject::destroyed, this, &ControlHook::hookedDestroyed);
    target->installEventFilter(this);
    hookChanged(true);
}

void ControlHook::unhook() {
    if (!hooked_)
        return;
    hookChanged(false);
    hooked_->removeEventFilter(this);
    disconnect(hooked_, &QObject::destroyed, this, &ControlHook::hookedDestroyed);
    hooked_ = nullptr;
}

void ControlHook::hookedDestroyed() {
    // The widget is going away: nothing to restore on it.
    handleChanged(1);
    hooked_ = nullptr;
}

void ControlHook::hookChanged(bool) {}

void ControlHook::handleChanged(int) {}

bool ControlHook::hookedEvent(QEvent*) {
    return false;
}

bool ControlHook::eventFilter(QObject* watched, QEvent* event) {
    if (hooked_ && watched == hooked_) {
        // Qt keeps filters and attributes when a native window is made anew; derived hooks
        // still hear of it, to renew whatever they registered with the old window.
        if (event->type() == QEvent::WinIdChange)
            handleChanged(hooked_->internalWinId() ? 2 : 1);
        return hookedEvent(event);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pixbako
