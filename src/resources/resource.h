// Resource identifiers of the plug-in module.
#pragma once

#define IDD_PROGRESS 1010
#define IDC_PROGRESS_BAR 1088
#define IDC_PROGRESS_BUTTON 1089

#define IDS_MAKING_LAYER_IMAGE 1013
#define IDS_READING_MERGED_IMAGE 1014
#define IDS_MAKING_MERGED_IMAGE 1015
#define IDS_SKIP 1016

#define IDR_HOST_RESOURCES 16000
