// A small additive synthesiser for the jingles and the music: soft struck and blown timbres,
// each a handful of partials with their own decay, and a plain stereo reverb.
#pragma once

#include "tools/content-builder/audio.h"

#include <string>

namespace Zorva::Tools {

enum class Timbre {
    MusicBox, // bright tines that ring on
    Marimba,  // warm wooden bars
    Celesta,  // soft bells
    Flute,    // breathy, held
    Pad,      // a quiet held chord
    Bass,     // a soft plucked low string
};

Timbre ParseTimbre(const std::string& name);

struct Note {
    double start = 0;    // seconds
    double length = 0;   // seconds the note is held (struck timbres ring past it)
    double midi = 60;    // pitch, 69 = A4 = 440 Hz
    double velocity = 1; // 0..1
    double pan = 0;      // -1 left .. 1 right
    Timbre timbre = Timbre::MusicBox;
};

double MidiToHz(double midi);

// Adds the note into a stereo buffer (it grows as needed).
void RenderNote(Pcm& stereo, const Note& note);

// Sends the buffer through a room of the given size; `wet` is the share of reverberation.
void ApplyReverb(Pcm& stereo, double roomSize, double damping, double wet);

// Folds everything past `frames` back onto the start, so the buffer loops seamlessly.
void WrapTail(Pcm& pcm, std::size_t frames);

} // namespace Zorva::Tools
