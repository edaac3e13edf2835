#include "history/historytab.h"

THistoryTab::THistoryTab(QWidget *parent) : QWidget(parent) {}
