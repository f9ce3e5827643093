// PNG pictures in and out of the test host, through the Windows Imaging Component.
#pragma once

#include <string>

#include "testhost/TestHost.h"

namespace lumbra::testhost {

// An RGB picture (with a transparency plane when the file has alpha), or a grey one when asked.
bool LoadPng(const std::wstring& path, bool grayscale, HostPicture& picture, std::string& error);
bool SavePng(const std::wstring& path, const HostPicture& picture, std::string& error);

}  // namespace lumbra::testhost
