// The import and export actions of the guest list window: choosing the file, reading or writing it
// and telling the user how it went.
#pragma once

class QWidget;
struct Session;

namespace GuestListTransfer {

/// Lets the user pick an .xlsx or .csv file and import it into the current style through the import
/// window; true when guests were added.
bool importGuests(Session& session, QWidget* parent);

/// Lets the user pick where to save the current style's guests as CSV, and saves them there.
void exportGuests(Session& session, QWidget* parent);

} // namespace GuestListTransfer
