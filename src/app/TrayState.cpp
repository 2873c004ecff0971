#include "app/TrayState.h"

namespace pv {

namespace {

// Whether a mode says "not now" for the window's current state.
bool HiddenBy(TrayMode mode, bool minimised) {
    return mode == TrayMode::never || (mode == TrayMode::whileMinimised && !minimised) ||
           (mode == TrayMode::whileNotMinimised && minimised);
}

// Never, or only while not minimised: minimising has nowhere to show.
bool NeverWhileMinimised(TrayMode mode) { return mode == TrayMode::never || mode == TrayMode::whileNotMinimised; }

}  // namespace

void TrayState::SetIconMode(TrayMode mode) {
    if (mode == m_iconMode) return;
    m_iconMode = mode;
    UpdateTrayState();
}

void TrayState::SetTaskbarMode(TrayMode mode) {
    if (mode == m_taskbarMode) return;
    m_taskbarMode = mode;
    UpdateTrayState();
}

void TrayState::OnInitDialog() {
    m_minimised = false;
    UpdateTrayState();
}

TrayMode TrayState::EffectiveIconMode() const { return m_host.TrayAvailable() ? m_iconMode : TrayMode::never; }

TrayMode TrayState::EffectiveTaskbarMode() const {
    return m_host.TrayAvailable() ? m_taskbarMode : TrayMode::always;
}

void TrayState::UpdateTrayState() {
    UpdateIcon();
    UpdateTaskbarButton();
}

// The icon is added only when it must show and is absent, and removed only
// when it must hide and is shown.
void TrayState::UpdateIcon() {
    const bool hide = HiddenBy(EffectiveIconMode(), m_minimised);
    if (hide && m_iconShown) {
        if (m_host.RemoveIcon()) m_iconShown = false;
    } else if (!hide && !m_iconShown) {
        if (m_host.AddIcon()) m_iconShown = true;
    }
}

void TrayState::UpdateTaskbarButton() {
    const bool absent = HiddenBy(EffectiveTaskbarMode(), m_minimised);
    if (absent && m_appWindowStyleSet) {
        m_host.HideWindow();
        m_host.SetTaskbarButton(false);
        if (!m_minimised) m_host.ShowWindow();
        m_appWindowStyleSet = false;
    } else if (!absent && !m_appWindowStyleSet) {
        m_host.HideWindow();
        m_host.SetTaskbarButton(true);
        m_host.ShowWindow();
        m_appWindowStyleSet = true;
    }
}

MinimiseOutcome TrayState::OnMinimise() {
    const TrayMode iconMode = EffectiveIconMode();
    const TrayMode taskbarMode = EffectiveTaskbarMode();
    if (NeverWhileMinimised(iconMode) && NeverWhileMinimised(taskbarMode)) return MinimiseOutcome::ignored;
    m_minimised = true;
    if (NeverWhileMinimised(taskbarMode)) {
        m_host.HideWindow();
        UpdateTrayState();
        m_host.HideWindow();
        return MinimiseOutcome::hidden;
    }
    UpdateTrayState();
    m_host.MinimiseWindow();
    return MinimiseOutcome::minimised;
}

void TrayState::OnRestore() {
    m_minimised = false;
    UpdateTrayState();
    m_host.RestoreWindow();
}

void TrayState::OnIconNotification(int iconId, IconEvent event) {
    if (iconId != kIconId) return;
    switch (event) {
        case IconEvent::rightDown:
        case IconEvent::contextMenu:
            m_host.ShowTrayMenu();
            break;
        case IconEvent::leftDown:
        case IconEvent::leftDoubleClick:
            if (m_minimised) RestoreFromTray();
            break;
        case IconEvent::rightDoubleClick:
        case IconEvent::mouseMove:
            break;
    }
}

void TrayState::RestoreFromTray() {
    m_minimised = false;
    UpdateTrayState();
    m_host.HideWindow();
    m_host.ShowWindow();
    m_host.RaiseWindow();
}

void TrayState::CloseFromTray() {
    RestoreFromTray();
    m_host.CloseRequest();
}

void TrayState::OnDestroy() {
    if (m_iconShown && m_host.RemoveIcon()) m_iconShown = false;
}

}  // namespace pv
