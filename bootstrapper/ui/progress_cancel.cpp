#include "progress_cancel.h"

#include "package_state.h"
#include "package_status_table.h"
#include "property_store.h"

void CancelRun(PropertyStore& properties, PackageStatusTable* table) {
    properties.Set("Quit", "Cancel", true);
    if (!table)
        return;
    for (int slot = 0; slot < PackageStatusTable::kSlots; ++slot) {
        if (table->GetItemState(slot) == PS_None)
            table->SetItemState(slot, PS_Canceled);
    }
}
