#pragma once

#include <QWidget>

// Placeholder page; the screen is built on it by its subsystem.
class TBaseDataTab : public QWidget
{
    Q_OBJECT
public:
    explicit TBaseDataTab(QWidget *parent = nullptr);
};
