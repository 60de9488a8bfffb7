// The encoders' worker threads: started once, shared by every picture.
#pragma once

namespace pvcommon {
namespace image {

// Runs task(context, 0) .. task(context, count - 1) and returns when every
// one has run. The calling thread takes part; with useWorkers the pool's
// threads help (started on first need). When no worker can be started the
// calling thread runs them all, in order. Tasks must not throw.
void RunTasks(int count, void (*task)(void* context, int index), void* context, bool useWorkers);

// The workers now running (0 when stopped).
int EncoderWorkerCount();

} // namespace image
} // namespace pvcommon
