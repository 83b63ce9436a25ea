#pragma once

#include <QWidget>

class IClock;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(IClock& clock, QWidget* parent = nullptr);
private:
    IClock& clock_;
};
