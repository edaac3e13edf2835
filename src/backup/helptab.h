#pragma once

#include <QWidget>

// Placeholder page; the screen is built on it by its subsystem.
class THelpTab : public QWidget
{
    Q_OBJECT
public:
    explicit THelpTab(QWidget *parent = nullptr);
};
