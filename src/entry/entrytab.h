#pragma once

#include <QWidget>

// Placeholder page; the screen is built on it by its subsystem.
class TEntryTab : public QWidget
{
    Q_OBJECT
public:
    explicit TEntryTab(QWidget *parent = nullptr);
};
