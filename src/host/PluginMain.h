// The two functions the plug-in module exports, and the callbacks that connect the engine to the host.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Bitmap.h"
#include "engine/Placement.h"
#include "host/HostInterface.h"
#include "ui/settings/SettingDialog.h"

namespace lumbra {

// Asks the host's colour picker for a colour; COLORREF layout (0x00BBGGRR) in and out. The colour
// comes back unchanged when the user cancels or the host has no picker.
int32_t HostColorPicker(int32_t colorref);
// The scripted render's progress: the host's bar, then its abort test. 1 when the user aborted.
uint8_t HostRenderProgress(int32_t position, int32_t total);

}  // namespace lumbra

extern "C" {

// The filter entry: one call per step of a filter run (About, Parameters, Prepare, Start,
// Continue, Finish).
__declspec(dllexport) void PluginMain(int16_t selector, void* record, intptr_t* data, int16_t* result);

// Runs the settings dialog over the layer image (and the merged image, may be null) and returns
// the composed picture, owned by the caller, or null when the user cancelled. The dialog's
// preset name is written through `presetName` (UTF-8) when it is not null, whatever the outcome.
__declspec(dllexport) lumbra::Bitmap* ShowSettingDialog(const lumbra::Bitmap* layerImage,
                                                        const lumbra::Bitmap* mergedImage,
                                                        const lumbra::MaskInfo* maskInfo,
                                                        lumbra::ColorPicker colorPicker, uint8_t grayscale,
                                                        std::string* presetName);
}
