#include "audio/cDSound.h"

#include <string>

#include "platform/audio.h"
#include "platform/report.h"

cDSound::~cDSound() { Shutdown(); }

int32_t cDSound::Init(WindowHandle window) {
    for (std::unique_ptr<cSound>& slot : slots) slot.reset();
    this->window = window;
    std::string error;
    device = OpenAudioOutput(kSoundSlots, &error);
    if (!device) {
        Report("sound", "%s; the game runs silent", error.c_str());
        return -1;
    }
    return 0;
}

int cDSound::Play(const char* fileName) {
    int slot = 0;
    while (slot < kSoundSlots && slots[slot]) ++slot;
    if (slot == kSoundSlots) return -1;  // all busy: the sound is dropped

    slots[slot] = std::make_unique<cSound>();
    if (slots[slot]->Load(fileName) != 0 || !PlaySoundClip(slots[slot]->buffer, slot)) {
        slots[slot].reset();  // nothing plays: the slot is free again at once
        return -1;
    }
    return slot;
}

void cDSound::ReleaseStopped() {
    for (int slot = 0; slot < kSoundSlots; ++slot) {
        if (slots[slot] && !ChannelPlaying(slot)) slots[slot].reset();
    }
}

void cDSound::SetMuted(bool mute) {
    muted = mute;
    SetOutputMuted(mute);
}

void cDSound::Shutdown() {
    for (std::unique_ptr<cSound>& slot : slots) slot.reset();
    if (device) CloseAudioOutput();
    device = false;
}
