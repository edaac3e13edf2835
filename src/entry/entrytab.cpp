#include "entry/entrytab.h"

TEntryTab::TEntryTab(QWidget *parent) : QWidget(parent) {}
