#pragma once
// The two-slot queue of decoded pictures between the video thread and the
// play thread, the slots' buffers and textures, and the sizing of the output.
#include "engine/media_state.h"

namespace zv {

// True once the video packet queue (or the whole playback) was aborted.
bool VideoQueueAborted(TMediaState* is);

// True when no picture is left to show: no video, or the video thread gave
// out its last one and it has been shown.
bool PicturesFinished(TMediaState* is);

// Video thread: copies frame (YUV 4:2:0 at the sink's size) into the write
// slot, which keeps frame's reference; the video hook sees it there. 1 when
// queued, 0 when dropped (from before a seek, or no slot), -1 when the queue
// was aborted while waiting for a free or allocated slot.
int QueuePicture(TMediaState* is, AVFrame* frame, double pts, int64_t pos);

// Video thread, at a flush: the queued pictures become stale and due, and the
// call waits until the play thread has dropped them. 0, or -1 when aborted.
int FlushPictureQueue(TMediaState* is);

// Play thread, on AllocPictureEvent: buffer and texture for the write slot at
// the sink's size rounded down to even. False after the fatal message when
// they cannot be made (no output, or the size is refused): the caller closes
// the playback.
bool AllocPicture(TMediaState* is);

// Play thread: sizes the output (the screen size, else the picture's, else
// 640 x 480) and takes its actual size. 0, or -1 when there is no output.
int VideoOpen(TMediaState* is, bool force);

// Why the slot at the read index leaves the queue.
enum TConsumeKind { ckShown, ckStale, ckLate };
// Play thread: the slot at the read index leaves the queue.
void PictQueueConsume(TMediaState* is, TConsumeKind kind);

// The slot at the read index when a picture is queued: its index, due time
// and staleness, and the due time of the picture behind it (0 when there is
// none), read under the queue lock. False when the queue is empty.
bool PictQueuePeek(TMediaState* is, int& index, double& targetClock, bool& stale, double& nextTarget);

}  // namespace zv
