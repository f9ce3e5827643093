// Resource identifiers of the name-entry dialog, shared by InputBox.rc and InputBox.cpp.
#ifndef LUMBRA_RESOURCES_INPUTBOXIDS_H
#define LUMBRA_RESOURCES_INPUTBOXIDS_H

#define IDD_INPUT_BOX 1008
#define IDC_INPUT_BOX_MESSAGE 1068
#define IDC_INPUT_BOX_TEXT 1069

#endif
