#include <gtest/gtest.h>

#include "core/soft_panel.h"
#include "support/fake_serial.h"

TEST(PanelStartUp, DisplayIsIdleBeforeLoad) {
    kt::test::FakeSerial serial;
    kt::SoftPanel panel(serial);
    EXPECT_EQ(panel.view.txtDisplay.Text(), "0 ");
}
