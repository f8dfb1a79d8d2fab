#include "wave_file.h"

#include "corvane/errors.h"
#include "kez/com/safe_array.h"
#include "riff_reader.h"
#include "shared/error_report.h"

namespace kez::corvane {

com::HRESULT loadWaveFile(const std::string& fileName, WaveFileImage& image) {
    WaveImage read;
    const WaveRead result = readWaveFile(fileName, read);
    if (result == WaveRead::NoMemory) return reportEngineError(com::E_FAIL, "Safe Array Create Error");
    if (result != WaveRead::Ok) return reportEngineError(corvaneError(ENGINE_WAVEFILE_ERROR), "Wave file open error");
    image.durationMs = read.durationMs();
    image.format = *com::SafeArray::fromBytes(com::ElementType::I1, read.format);
    image.samples = *com::SafeArray::fromBytes(com::ElementType::UI1, read.samples);
    return com::S_OK;
}

} // namespace kez::corvane
