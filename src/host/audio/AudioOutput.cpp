// The audio contract: an output, the channels it plays from files, master volume and spectrum.
#include "host/audio/AudioOutput.h"

#include "host/audio/AudioMixer.h"
#include "host/audio/AudioSourceModule.h"
#include "host/audio/AudioSourceStream.h"

namespace quib {

AudioOutput::AudioOutput() : mixer_(std::make_unique<AudioMixer>()) {}

AudioOutput::~AudioOutput() = default;

AudioHandle AudioOutput::CreateStream(const char* path, uint32_t flags) {
    return path != nullptr ? mixer_->Add(AudioSourceStream::Open(path, flags), true) : 0;
}

AudioHandle AudioOutput::LoadModule(const char* path, uint32_t flags) {
    return path != nullptr ? mixer_->Add(AudioSourceModule::Open(path, flags), false) : 0;
}

bool AudioOutput::PrepareModuleDecoder() {
    return AudioSourceModule::LoadSilence();
}

bool AudioOutput::Play(AudioHandle handle, bool restart) {
    return mixer_->Play(handle, restart);
}

bool AudioOutput::Pause(AudioHandle handle) {
    return mixer_->Pause(handle);
}

bool AudioOutput::Stop(AudioHandle handle) {
    return mixer_->Stop(handle);
}

ChannelState AudioOutput::GetState(AudioHandle handle) const {
    return mixer_->GetState(handle);
}

uint64_t AudioOutput::GetPosition(AudioHandle handle) const {
    return mixer_->GetFrames(handle) * 4; // 16-bit stereo
}

uint64_t AudioOutput::GetLength(AudioHandle handle) const {
    return mixer_->GetLengthFrames(handle) * 4;
}

uint32_t AudioOutput::GetChannelType(AudioHandle handle) const {
    return mixer_->GetChannelType(handle);
}

bool AudioOutput::FreeStream(AudioHandle handle) {
    return mixer_->Free(handle, true);
}

bool AudioOutput::FreeModule(AudioHandle handle) {
    return mixer_->Free(handle, false);
}

bool AudioOutput::SetVolume(float volume) {
    return mixer_->SetVolume(volume);
}

float AudioOutput::GetVolume() const {
    return mixer_->GetVolume();
}

bool AudioOutput::GetSpectrum(AudioHandle handle, float* magnitudes) const {
    return mixer_->GetSpectrum(handle, UINT64_MAX, magnitudes);
}

bool AudioOutput::GetSpectrumAt(AudioHandle handle, uint64_t position, float* magnitudes) const {
    return mixer_->GetSpectrum(handle, position / 4, magnitudes); // 16-bit stereo
}

} // namespace quib
