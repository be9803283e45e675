// The extension's collector of a page's facts (bridge/extension/facts.js), built into the tool.
#pragma once

namespace formix::tool {

extern const char* const kFactsScript;

}  // namespace formix::tool
