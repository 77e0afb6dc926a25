#pragma once
// The queue of filtered pictures between the video thread (producer) and the
// play thread (consumer). A slot holds a reference to the filter's frame; the
// consumer shows the head straight from that frame's planes.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

struct AVFrame;

namespace zv {

struct TMediaState;

class TPictureQueue {
public:
  static constexpr int Capacity = 2;

  TPictureQueue() = default;
  ~TPictureQueue();
  TPictureQueue(const TPictureQueue&) = delete;
  TPictureQueue& operator=(const TPictureQueue&) = delete;

  // Set before the producer starts. wake: the consumer may have something to
  // do (a picture queued, stale ones to drop). aborted: waits give up.
  void Connect(std::function<void()> wake, std::function<bool()> aborted);

  // Producer. True when a Put now would wait for the consumer.
  bool Full();
  // Queues frame (its reference is taken over; the frame is left empty
  // whatever the result) as a picture of seek generation `generation`. Waits
  // for a free slot unless superseded() says the picture belongs to a
  // position already left; schedule(pts) gives the due time (monotonic s)
  // once the picture is sure to be queued. 1 queued, 0 dropped, -1 aborted.
  int Put(AVFrame* frame, double pts, int64_t pos, int64_t generation, const std::function<bool()>& superseded,
          const std::function<double(double)>& schedule);
  // Producer, at a seek: pictures of earlier generations become stale; the
  // consumer is woken to drop them.
  void Flush(int64_t generation);

  // Consumer. The head of the queue: a stale head is to be dropped;
  // NextTarget is the due time of a fresh picture behind it, 0 for none.
  // Frame stays the consumer's (and may be made writable) until Consume.
  struct THead {
    AVFrame* Frame = nullptr;
    double Pts = 0;
    int64_t Pos = -1;
    double TargetClock = 0;
    bool Stale = false;
    int64_t Generation = 0;  // of the seek the picture was decoded after
    double NextTarget = 0;
  };
  bool Peek(THead& head);
  // The head leaves the queue and its frame is released.
  void Consume();

  // Any thread.
  bool Empty();
  int Count();
  // Wakes a producer waiting for a slot so that it sees the abort.
  void WakeProducer();
  // With both threads gone: releases every queued frame.
  void Clear();

private:
  struct TSlot {
    AVFrame* Frame = nullptr;  // owned reference while queued
    double Pts = 0;
    int64_t Pos = -1;
    double TargetClock = 0;
    int64_t Generation = 0;
  };
  std::function<void()> FWake;     // set before use, then read only
  std::function<bool()> FAborted;  // set before use, then read only
  std::mutex FLock;
  std::condition_variable FFreed;  // a slot was consumed, or an abort
  TSlot FSlots[Capacity];          // guarded by FLock for the fields; a queued slot's frame is the consumer's
  int FSize = 0, FRead = 0, FWrite = 0;  // guarded by FLock
  int64_t FGeneration = 0;               // guarded by FLock: pictures older than this are stale
};

// True once the video packet queue (or the whole playback) was aborted.
bool VideoQueueAborted(TMediaState* playback);

// True when no picture is left to show: no video, or the video thread gave
// out its last one and it has been shown.
bool PicturesFinished(TMediaState* playback);

}  // namespace zv
