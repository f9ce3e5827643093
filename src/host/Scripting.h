// The filter's one scripting parameter: the preset name under the key 'prst', read from the
// host's descriptor at Start and recorded into it at Finish, so that replaying a recorded action
// renders the same preset without the dialog.
#pragma once

#include <string>

#include "host/HostInterface.h"

namespace lumbra {

// The recorded preset name (UTF-8); empty without a descriptor, without the key, or when the
// value cannot be read. The descriptor handle is freed and cleared once it has been read; a host
// without a dispose procedure keeps it where it is, its own.
std::string ReadPresetName(host::FilterRecord& record);

// Records `name` (UTF-8) as the new descriptor, which replaces (and frees) the old one; an old
// one that cannot be freed is left in place and nothing is recorded. A name
// the host's string cannot hold (more than 255 bytes in code page 932, or not representable)
// is left out, so a replay asks for the settings instead of rendering another preset.
void WritePresetName(host::FilterRecord& record, const std::string& name);

// Decodes the value the host hands back for 'prst' (a length byte, then the characters). Values
// recorded by earlier versions of the plug-in, which stored the name as a zero-terminated string
// from the first byte on, are recognised by the zero inside the counted characters.
std::string DecodeRecordedName(const unsigned char (&value)[256]);

}  // namespace lumbra
