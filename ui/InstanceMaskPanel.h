// Panel1: the instance-mask row above the result table. A filter picture, the
// caption "Instance Mask" and a pick-only list of the mask entries found by a
// discovery walk. Hidden until such a walk fills the list.
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;

class TInstanceMaskPanel : public QWidget {
    Q_OBJECT
public:
    explicit TInstanceMaskPanel(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* Label1;
    QComboBox* ComboBox1;

protected:
    void changeEvent(QEvent* event) override;

private:
    // Caption and box at their design places; the box moves right when the
    // caption needs more room than the design font does.
    void PlaceControls();
};
