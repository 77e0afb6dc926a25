#pragma once
// A horizontal track with a floating-point range and a value step: a click
// jumps the thumb to the clicked place, dragging follows the tracking switch.
#include <QWidget>
#include <functional>
#include <vector>

class QWheelEvent;

namespace zvapp {

// Whole notches in a wheel event, keeping what is short of one in rest.
int WheelNotches(QWheelEvent* e, int& rest);

class TTrackBar : public QWidget {
  Q_OBJECT
public:
  explicit TTrackBar(QWidget* parent = nullptr);

  float Min() const { return FMin; }
  float Max() const { return FMax; }
  float Value() const { return FValue; }
  float Frequency() const { return FFrequency; }
  bool Tracking() const { return FTracking; }
  void SetMin(float v);
  void SetMax(float v);
  // Snapped to the step and clamped to the range; OnChange runs when the value changes.
  void SetValue(float v);
  // 0 means no step.
  void SetFrequency(float v);
  void SetTracking(bool v) { FTracking = v; }
  bool IsDragging() const { return FDragging; }
  // Values marked with a tick on the track (chapter starts).
  void SetMarks(std::vector<float> marks);
  const std::vector<float>& Marks() const { return FMarks; }
  // A loop's ends shown on the track (A-B loop); negative: not set.
  void SetLoop(float a, float b);
  float LoopA() const { return FLoopA; }
  float LoopB() const { return FLoopB; }

  // The change handler; detach it (set an empty one) around moves that must not act.
  std::function<void()> OnChange;
  // The thumb moved under the user's pointer (press or drag), whether or not
  // tracking reports it through OnChange yet.
  std::function<void()> OnUserMove;
  // The pointer let go of the thumb (after any last OnChange).
  std::function<void()> OnRelease;
  // Whole wheel notches, away from the user positive; unset: the parent gets the wheel.
  std::function<void(int notches)> OnWheel;
  // The tip shown for the value under a hovering pointer; unset or empty: none.
  std::function<QString(float value)> HoverText;

  QSize sizeHint() const override { return {120, 13}; }

protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

private:
  float Snap(float v) const;
  float ValueAt(int x) const;
  // Stores without notifying; true when the stored value changed.
  bool Store(float v);
  void Notify();

  float FMin = 0, FMax = 100, FValue = 0, FFrequency = 0;
  bool FTracking = true;
  bool FDragging = false;
  std::vector<float> FMarks;
  float FLoopA = -1, FLoopB = -1;
  bool FPendingChange = false;  // a drag with tracking off moved the value
  int FWheelRest = 0;            // eighths of a degree short of a notch
};

}  // namespace zvapp
