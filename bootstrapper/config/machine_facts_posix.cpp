// Host build: the machine facts of a system that is not Windows. The neutral tests give
// their own facts where the values matter.

#include "platform.h"
#include "standard_properties.h"

MachineFacts GatherMachineFacts() {
    MachineFacts facts;
    facts.osArchitecture = sizeof(void*) == 8 ? "64-bit" : "32-bit";
    platform::GetEnvironment("TEMP", &facts.tempFolder);
    return facts;
}
