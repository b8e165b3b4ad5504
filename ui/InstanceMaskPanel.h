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
};
