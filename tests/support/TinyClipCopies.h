// Many jobs for little work: hard-linked copies of one tiny clip, for batches of a thousand
// that test how jobs hold their files rather than how pictures convert.
#pragma once

#include <string>
#include <vector>

namespace qarvo {

// A tiny clip: ten pictures of 80×60, no sound (AVI).
std::string EnsureTinyClip();

// Makes `folder` (and its parents) and `count` hard links to the tiny clip in it, named
// c0.avi, c1.avi, …; returns their paths in that order.
std::vector<std::string> MakeTinyClipCopies(const std::string& folder, int count);

}  // namespace qarvo
