#include "components/ControlHook.h"

#include <QEvent>

namespace pixbako {

HookTargetError::HookTargetError() : std::runtime_error("フック先を特定できません。") {}

TControlHook::TControlHook(QObject* owner) : QObject(owner) {}

TControlHook::~TControlHook() {
    unhook();
}

void TControlHook::setControl(QWidget* control) {
    unhook();
    control_ = control;
    hook();
}

void TControlHook::setTarget(THookTarget target) {
    unhook();
    target_ = target;
    hook();
}

QWidget* TControlHook::hookTarget() const {
    if (target_ == THookTarget::htControl)
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

void TControlHook::hook() {
    QWidget* target = hookTarget();
    if (!target) {
        if (target_ == THookTarget::htForm)
            throw HookTargetError();
        return;
    }
    hooked_ = target;
    connect(target, &QObject::destroyed, this, &TControlHook::hookedDestroyed);
    target->installEventFilter(this);
    hookChanged(true);
}

void TControlHook::unhook() {
    if (!hooked_)
        return;
    hookChanged(false);
    hooked_->removeEventFilter(this);
    disconnect(hooked_, &QObject::destroyed, this, &TControlHook::hookedDestroyed);
    hooked_ = nullptr;
}

void TControlHook::hookedDestroyed() {
    // The widget is going away: nothing to restore on it.
    handleChanged(1);
    hooked_ = nullptr;
}

void TControlHook::hookChanged(bool) {}

void TControlHook::handleChanged(int) {}

bool TControlHook::hookedEvent(QEvent*) {
    return false;
}

bool TControlHook::eventFilter(QObject* watched, QEvent* event) {
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
