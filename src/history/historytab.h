#pragma once

#include <QWidget>

// Placeholder page; the screen is built on it by its subsystem.
class THistoryTab : public QWidget
{
    Q_OBJECT
public:
    explicit THistoryTab(QWidget *parent = nullptr);
};
