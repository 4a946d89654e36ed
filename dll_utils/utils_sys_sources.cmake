# The platform-neutral sources of utils.dll's registry, file, text, system and dialog
# procedures: built into utils.dll and into the unit tests.
set(UTILS_SYS_LOGIC_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/access_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/deletion_guard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/event_procedures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_choice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_procedures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_box_codes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/options_model.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_procedures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/system_procedures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_procedures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_search.cpp
    ${CMAKE_CURRENT_LIST_DIR}/utils_machine.cpp
)
