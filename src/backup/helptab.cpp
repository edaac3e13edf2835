#include "backup/helptab.h"

THelpTab::THelpTab(QWidget *parent) : QWidget(parent) {}
