// What a fill changed in a page read from the browser, as edits of the live controls.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "bridge/protocol.h"

namespace formix::bridge {

// The edits that turn the controls of `read` (a frame as the extension serialised it, with its
// controls' start positions) into what `filled` (the fill engine's output for it) shows:
// a text input's new value, a radio button checked or cleared, the list option that was marked,
// a text area's new content. Changes the filler made to text that is no live control (an input
// tag inside a comment or a script) have nothing to apply to and are left out. nullopt when
// `filled` is not `read` with some fields replaced: then nothing may be applied.
std::optional<std::vector<FieldEdit>> fieldEdits(const PageFrame& read, std::u16string_view filled);

}  // namespace formix::bridge
