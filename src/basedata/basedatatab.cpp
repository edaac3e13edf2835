#include "basedata/basedatatab.h"

TBaseDataTab::TBaseDataTab(QWidget *parent) : QWidget(parent) {}
