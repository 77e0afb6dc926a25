#pragma once
// What an exact seek drops: the pictures and sound decoded from the key
// picture before the target up to the target itself. Pure arithmetic on
// times and samples, shared by the video thread and the sound decoder.
#include <cstdint>

struct AVFrame;

namespace zv {

struct TMediaState;

// A picture shown from pts for duration (s; 0 when unknown) is over before
// dropBefore: the next picture, not this one, is on screen at that time.
bool PictureEndsBefore(double pts, double duration, double dropBefore);

// Samples at the head of nbSamples starting at start (s) at rate that lie
// before dropBefore: 0 .. nbSamples.
int SamplesBefore(double start, int rate, int nbSamples, double dropBefore);

// Drops the first count samples of a decoded sound frame by moving its data
// pointers (the frame's buffers stay as they are).
void DropLeadingSamples(AVFrame* frame, int count);

// Sound thread: the sound of an exact seek waits (silent, its clock at the
// target) until the seek's picture has come out of the video thread, so that
// both start together; never longer than MaxSoundHoldMicros after the seek.
inline constexpr int64_t MaxSoundHoldMicros = 1000000;
bool HoldSoundForPicture(TMediaState* playback);

}  // namespace zv
