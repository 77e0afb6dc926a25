#pragma once
// The control box: four equalizer sliders with Reset buttons and the display
// aspect-ratio choice. Sliders write the main window's picture values, which
// the running filters read at every picture.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QWidget>

namespace zvapp {

class TfrmPlayer;

// AspectRatio of a list item; 0 for none selected (-1) or an unknown index.
float AspectRatioOfItem(int index);

class TfrmControlBox : public QWidget {
  Q_OBJECT
public:
  explicit TfrmControlBox(TfrmPlayer& main, QWidget* parent = nullptr);

  QGroupBox* grpEqualizer;
  QLabel* lblBrightness;
  QSlider* trbBrightness;
  QPushButton* btnBrightness;
  QLabel* lblContrast;
  QSlider* trbContrast;
  QPushButton* btnContrast;
  QLabel* lblSaturation;
  QSlider* trbSaturation;
  QPushButton* btnSaturation;
  QLabel* lblHue;
  QSlider* trbHue;
  QPushButton* btnHue;
  // Each slider's value, beside it.
  QLabel* lblBrightnessValue;
  QLabel* lblContrastValue;
  QLabel* lblSaturationValue;
  QLabel* lblHueValue;
  QGroupBox* grpOther;
  QLabel* lblAspectRatio;
  QComboBox* cboAspectRatio;

  void trbBrightnessChange();
  void trbContrastChange();
  void trbSaturationChange();
  void trbHueChange();
  void btnBrightnessClick() { trbBrightness->setValue(0); }
  void btnContrastClick() { trbContrast->setValue(0); }
  void btnSaturationClick() { trbSaturation->setValue(0); }
  void btnHueClick() { trbHue->setValue(0); }
  void cboAspectRatioChange();

protected:
  void showEvent(QShowEvent* e) override;
  // Keys its own controls do not use go to the player window's shortcuts.
  void keyPressEvent(QKeyEvent* e) override;

private:
  void FormCreate();
  QSlider* MakeTrack(const char* name, int x, int y);
  QPushButton* MakeReset(const char* name, int x, int y);
  QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y);
  // Places the sliders clear of the widest label, with the values and the
  // Reset buttons after them, and sizes the box to hold them.
  void LayoutEqualizer();
  void PictureValueChanged(QSlider* slider, QLabel* value);

  TfrmPlayer& FMain;
};

}  // namespace zvapp
