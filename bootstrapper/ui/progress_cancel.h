#pragma once
// The cancel of the progress dialog, once the user confirmed it.

class PackageStatusTable;
class PropertyStore;

// The question the dialog's Cancel button asks (Yes/No).
inline constexpr char kCancelQuestion[] = "Do you want to cancel the setup?";

// Tells the run to stop: "Quit" becomes "Cancel", which the walk reads before every element
// (the same request a flow element can make, and the one the plug-ins' waits look at), and
// every slot that is still waiting (state none) turns canceled at once, so that the list
// shows it and a chained setup of the product does not start those packages either. table
// may be null (a dialog without a status block): the request to stop still goes out.
void CancelRun(PropertyStore& properties, PackageStatusTable* table);
