#pragma once
// What the par sheet window shows, as text: the headline figures of every bet, the payoff
// table and win distribution of the bet being played, and how this session compares.

#include <vector>

#include "analysis/par_sheet.h"
#include "platform/win/report_window.h"
#include "shell/workbench.h"

struct ParSheetView {
    std::string title;
    std::string status;
    const std::vector<ParSheet>* sheets = nullptr; // one per bet from 1; null before the first
    int bet = 0;                                   // the bet whose payoffs are shown
    SessionFigures session;
    const std::vector<std::string>* messages = nullptr;
    std::string problem;
};

win::ReportContent ParSheetContent(const ParSheetView& view);

// The half-width of the band in which the return of `spins` spins falls with 95% chance.
double ReturnBand(double standardDeviation, int spins);
