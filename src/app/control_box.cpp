#include "app/control_box.h"

#include <QKeyEvent>
#include <QWindow>
#include <algorithm>

#include "app/player_window.h"

namespace zvapp {

float AspectRatioOfItem(int index) {
  static const float kValues[] = {0.0f, -1.0f, 4.0f / 3.0f, 16.0f / 9.0f, 1.85f, 2.35f};
  return index >= 0 && index < 6 ? kValues[index] : 0.0f;
}

TfrmControlBox::TfrmControlBox(TfrmPlayer& main, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), FMain(main) {
  setObjectName("frmControlBox");
  setFixedSize(305, 241);
  move(389, 96);

  grpEqualizer = new QGroupBox(tr("Software Video Equalizer"), this);
  grpEqualizer->setObjectName("grpEqualizer");
  grpEqualizer->setGeometry(8, 8, 289, 137);
  lblBrightness = MakeLabel(grpEqualizer, "lblBrightness", tr("Brightness"), 16, 25);
  trbBrightness = MakeTrack("trbBrightness", 72, 21);
  btnBrightness = MakeReset("btnBrightness", 225, 18);
  lblContrast = MakeLabel(grpEqualizer, "lblContrast", tr("Contrast"), 16, 53);
  trbContrast = MakeTrack("trbContrast", 72, 49);
  btnContrast = MakeReset("btnContrast", 225, 47);
  lblSaturation = MakeLabel(grpEqualizer, "lblSaturation", tr("Saturation"), 16, 81);
  trbSaturation = MakeTrack("trbSaturation", 72, 78);
  btnSaturation = MakeReset("btnSaturation", 225, 76);
  lblHue = MakeLabel(grpEqualizer, "lblHue", tr("Hue"), 16, 110);
  trbHue = MakeTrack("trbHue", 72, 107);
  btnHue = MakeReset("btnHue", 225, 105);

  lblBrightnessValue = MakeLabel(grpEqualizer, "lblBrightnessValue", "0", 0, 25);
  lblContrastValue = MakeLabel(grpEqualizer, "lblContrastValue", "0", 0, 53);
  lblSaturationValue = MakeLabel(grpEqualizer, "lblSaturationValue", "0", 0, 81);
  lblHueValue = MakeLabel(grpEqualizer, "lblHueValue", "0", 0, 110);

  grpOther = new QGroupBox(tr("Other Options"), this);
  grpOther->setObjectName("grpOther");
  grpOther->setGeometry(8, 151, 289, 82);
  lblAspectRatio = MakeLabel(grpOther, "lblAspectRatio", tr("Aspect Ratio"), 16, 21);
  cboAspectRatio = new QComboBox(grpOther);
  cboAspectRatio->setObjectName("cboAspectRatio");
  cboAspectRatio->setEditable(false);
  cboAspectRatio->setGeometry(16, 40, 257, 21);
  cboAspectRatio->addItems({"keeping original (0)", "scaling to fit (-1)", "4:3", "16:9", "1.85:1", "2.35:1"});
  cboAspectRatio->setCurrentIndex(0);
  LayoutEqualizer();

  connect(trbBrightness, &QSlider::valueChanged, this, [this] { trbBrightnessChange(); });
  connect(trbContrast, &QSlider::valueChanged, this, [this] { trbContrastChange(); });
  connect(trbSaturation, &QSlider::valueChanged, this, [this] { trbSaturationChange(); });
  connect(trbHue, &QSlider::valueChanged, this, [this] { trbHueChange(); });
  connect(btnBrightness, &QPushButton::clicked, this, [this] { btnBrightnessClick(); });
  connect(btnContrast, &QPushButton::clicked, this, [this] { btnContrastClick(); });
  connect(btnSaturation, &QPushButton::clicked, this, [this] { btnSaturationClick(); });
  connect(btnHue, &QPushButton::clicked, this, [this] { btnHueClick(); });
  connect(cboAspectRatio, &QComboBox::currentIndexChanged, this, [this] { cboAspectRatioChange(); });

  setTabOrder(trbBrightness, btnBrightness);
  setTabOrder(btnBrightness, trbContrast);
  setTabOrder(trbContrast, btnContrast);
  setTabOrder(btnContrast, trbSaturation);
  setTabOrder(trbSaturation, btnSaturation);
  setTabOrder(btnSaturation, trbHue);
  setTabOrder(trbHue, btnHue);
  setTabOrder(btnHue, cboAspectRatio);

  FormCreate();
}

void TfrmControlBox::FormCreate() { setWindowTitle(QStringLiteral("Control Box")); }

void TfrmControlBox::showEvent(QShowEvent* e) {
  // A tool window of the player (before it is mapped): the window manager
  // keeps it above the player, also in full screen and on top, instead of
  // treating it as a stray window of the program. Set on the window system's
  // window only: the widget stays unowned, so whoever made it also ends it.
  if (!parentWidget()) {
    QWindow* player = FMain.window()->windowHandle();
    if (!player) {
      FMain.window()->winId();
      player = FMain.window()->windowHandle();
    }
    if (QWindow* self = windowHandle()) self->setTransientParent(player);
  }
  QWidget::showEvent(e);
}

void TfrmControlBox::keyPressEvent(QKeyEvent* e) {
  if (FMain.TriggerShortcut(QKeySequence(e->keyCombination()))) {
    e->accept();
    return;
  }
  QWidget::keyPressEvent(e);
}

QSlider* TfrmControlBox::MakeTrack(const char* name, int x, int y) {
  auto* t = new QSlider(Qt::Horizontal, grpEqualizer);
  t->setObjectName(name);
  t->setRange(-100, 100);
  t->setValue(0);
  t->setTickInterval(10);
  t->setTickPosition(QSlider::NoTicks);
  t->setPageStep(10);
  // Every intermediate position of a drag reaches the picture.
  t->setTracking(true);
  t->setGeometry(x, y, 150, 22);
  return t;
}

QPushButton* TfrmControlBox::MakeReset(const char* name, int x, int y) {
  auto* b = new QPushButton(tr("Reset"), grpEqualizer);
  b->setObjectName(name);
  b->setGeometry(x, y, 53, 25);
  return b;
}

QLabel* TfrmControlBox::MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->move(x, y);
  l->adjustSize();
  return l;
}

void TfrmControlBox::LayoutEqualizer() {
  int labels = 0;
  for (QLabel* l : {lblBrightness, lblContrast, lblSaturation, lblHue}) labels = std::max(labels, l->x() + l->width());
  const int valueWidth = fontMetrics().horizontalAdvance(QStringLiteral("-100")) + 4;
  const int sliderX = labels + 10, sliderW = 130;
  const int valueX = sliderX + sliderW + 6, resetX = valueX + valueWidth + 6;
  struct Row {
    QSlider* slider;
    QLabel* value;
    QPushButton* reset;
  } rows[] = {{trbBrightness, lblBrightnessValue, btnBrightness},
              {trbContrast, lblContrastValue, btnContrast},
              {trbSaturation, lblSaturationValue, btnSaturation},
              {trbHue, lblHueValue, btnHue}};
  for (const Row& r : rows) {
    r.slider->setGeometry(sliderX, r.slider->y(), sliderW, r.slider->height());
    r.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    r.value->setGeometry(valueX, r.slider->y(), valueWidth, r.slider->height());
    r.reset->move(resetX, r.reset->y());
  }
  const int groupW = resetX + btnBrightness->width() + 10;
  grpEqualizer->resize(groupW, grpEqualizer->height());
  grpOther->resize(groupW, grpOther->height());
  cboAspectRatio->resize(groupW - 32, cboAspectRatio->height());
  setFixedSize(groupW + 16, height());
}

void TfrmControlBox::PictureValueChanged(QSlider* slider, QLabel* value) {
  value->setText(QString::number(slider->value()));
  FMain.PictureValuesChanged();
}

void TfrmControlBox::trbBrightnessChange() {
  FMain.Brightness = trbBrightness->value();
  PictureValueChanged(trbBrightness, lblBrightnessValue);
}
void TfrmControlBox::trbContrastChange() {
  FMain.Contrast = trbContrast->value();
  PictureValueChanged(trbContrast, lblContrastValue);
}
void TfrmControlBox::trbSaturationChange() {
  FMain.Saturation = trbSaturation->value();
  PictureValueChanged(trbSaturation, lblSaturationValue);
}
void TfrmControlBox::trbHueChange() {
  FMain.Hue = trbHue->value();
  PictureValueChanged(trbHue, lblHueValue);
}

void TfrmControlBox::cboAspectRatioChange() {
  FMain.Player().SetAspectRatio(AspectRatioOfItem(cboAspectRatio->currentIndex()));
}

}  // namespace zvapp
