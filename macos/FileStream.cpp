#include "macos/FileStream.h"

#include "platform/carbon/Carbon.h"

namespace __Quarrow__ {

bool FileStream::SetSize(const fmx::FilePath& location, std::int32_t length)
{
    FSRef ref;
    if (!location.GetFileRef(ref))
        return false;
    HFSUniStr255 dataFork;
    FSGetDataForkName(&dataFork);
    FSIORefNum fork = 0;
    if (FSOpenFork(&ref, dataFork.length, dataFork.unicode, fsWrPerm, &fork) != noErr || fork == 0)
        return false;
    const OSErr err = FSSetForkSize(fork, fsFromStart, static_cast<SInt64>(length));
    FSCloseFork(fork);
    return err == noErr;
}

} // namespace __Quarrow__
