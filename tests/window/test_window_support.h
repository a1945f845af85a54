// Shared pieces of the window tests: a panel on a fake serial line with its
// window, and a wait that keeps the event loop running.
#pragma once

#include <string>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTimer>

#include "core/soft_panel.h"
#include "support/event_loop.h"
#include "support/fake_serial.h"
#include "support/identity.h"
#include "view/frm_soft_panel.h"

namespace kt::test {

struct PanelRig {
    FakeSerial serial;
    SoftPanel panel{serial};
    frmSoftPanel window{panel};

    template <typename T = QObject>
    T* Find(const char* name) {
        return window.findChild<T*>(QString::fromLatin1(name));
    }
    QAbstractButton* Key(const char* name) { return Find<QAbstractButton>(name); }

    // Loads the window, answers the identification and lets the power-on
    // timer run out: the panel is then connected to a KT46290-1.5G.
    bool Connect() {
        window.RunFormLoad();
        serial.Receive(kIdentity);
        auto* timer = Find<QTimer>("timPowerOn");
        return WaitFor([&] { return !panel.view.timPowerOn.Enabled && !timer->isActive(); });
    }
};

}  // namespace kt::test
