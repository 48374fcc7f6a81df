#pragma once

// The pictures a machine file names, drawn for the example machines. Each returns the whole
// picture as it is saved, top row first; the cabinet reads some of them upside down (a
// texture loaded from a bitmap file has v = 0 on its bottom row), and the functions place
// their contents with that in mind.

#include <QImage>
#include <QString>

class SlotMachine;

// The symbol sheet called name: every symbol whose picture it is, drawn into its cell.
QImage DrawSymbolSheet(const SlotMachine& machine, const QString& name);

// The payoff chart: the machine's own pay table, sized to the chart face of its cabinet.
QImage DrawChart(const SlotMachine& machine);

// "buttons": the looks of the five cabinet buttons.
QImage DrawButtons();

// "cred1": the credit meter's ground, with captions for the three figures drawn on it.
QImage DrawCreditMeter();
