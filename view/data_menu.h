// The readings side of the panel window: the Data menu (readings window,
// record to CSV, stop recording), failures of a recording on the message
// line, and the recording flushed and closed when the window closes.
#pragma once

#include <string>

namespace kt {

class frmSoftPanel;
class ReadingsRecord;
class ReadingsWindow;

namespace view {

// Adds the Data menu's commands to the window and ties the record to it.
// The record must outlive the window.
void AttachReadings(frmSoftPanel& window, ReadingsRecord& record);

// The readings window of this panel window, made and shown on demand.
ReadingsWindow* ShowReadingsWindow(frmSoftPanel& window, ReadingsRecord& record);

}  // namespace view
}  // namespace kt
