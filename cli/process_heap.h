// How this process's heap is set up before any image is read.
#pragma once

namespace cli {

void SetUpProcessHeap();

}  // namespace cli
