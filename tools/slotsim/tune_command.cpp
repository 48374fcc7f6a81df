#include "tools/slotsim/tune_command.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "analysis/par_report.h"
#include "analysis/tune.h"
#include "analysis/whole_file.h"
#include "tools/slotsim/commands.h"

namespace {

namespace fs = std::filesystem;

// A share as par prints it or as people write it: 0.95, 95%, 95.5% or 19/20.
mpq_class ParseShare(const std::string& option, const std::string& text) {
    static const std::regex decimal(R"((\d{1,9})(?:\.(\d{0,9}))?(%?))");
    static const std::regex fraction(R"((\d{1,18})/(\d{1,18}))");
    std::smatch m;
    mpq_class share;
    if (std::regex_match(text, m, decimal)) {
        const std::string fractionDigits = m[2].str();
        mpz_class denominator;
        mpz_ui_pow_ui(denominator.get_mpz_t(), 10, fractionDigits.size());
        share = mpq_class(mpz_class(m[1].str() + fractionDigits, 10), denominator);
        if (m[3].length())
            share /= 100;
    } else if (std::regex_match(text, m, fraction) && mpz_class(m[2].str(), 10) != 0) {
        share = mpq_class(mpz_class(m[1].str(), 10), mpz_class(m[2].str(), 10));
    } else {
        throw UsageError(option + ": expected a share such as 0.95, 95% or 19/20, not '" + text +
                         "'");
    }
    share.canonicalize();
    return share;
}

std::vector<int> ParseReels(const std::string& list, int reels) {
    std::vector<int> kept;
    std::stringstream items(list);
    for (std::string item; std::getline(items, item, ',');) {
        if (!std::regex_match(item, std::regex(R"(\d{1,2})")) || std::stoi(item) >= reels)
            throw UsageError("--keep-reels: '" + item + "' is not a reel from 0 to " +
                             std::to_string(reels - 1));
        kept.push_back(std::stoi(item));
    }
    return kept;
}

std::string ReadWhole(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// The figures of the par sheet, as `par` prints them: from the RTP to the top award.
std::string Headline(const ParSheet& sheet, const ReportHeading& heading) {
    const std::string text = ParText(sheet, heading);
    const size_t begin = text.find("\nRTP ");
    const size_t end = text.find("\n\nwin distribution");
    return begin == std::string::npos ? "endless: " + sheet.endless + "\n"
                                      : text.substr(begin + 1, end - begin);
}

std::string Percent(const mpq_class& share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f%%", 100 * share.get_d());
    return text;
}

std::string Letter(const SlotMachine& machine, int reel, int stop) {
    return std::string(1, static_cast<char>(machine.Reels[reel].strip[stop] - machine.Symbols));
}

std::string Changes(const SlotMachine& machine, const StopWeights& before,
                    const StopWeights& after) {
    std::string t;
    for (size_t i = 0; i < before.size(); ++i) {
        std::string line;
        for (size_t k = 0; k < before[i].size(); ++k)
            if (before[i][k] != after[i][k])
                line += (line.empty() ? "" : ", ") + std::string("stop ") + std::to_string(k) +
                        " (" + Letter(machine, static_cast<int>(i), static_cast<int>(k)) + ") " +
                        std::to_string(before[i][k]) + " -> " + std::to_string(after[i][k]);
        if (!line.empty())
            t += "reel " + std::to_string(i) + " weights: " + line + "\n";
    }
    return t.empty() ? "no weight changed\n" : t;
}

// The machine the new text makes, read back by the loader: it must load without a message,
// with the same strips, and with the weights the search chose. Returns its sheet.
ParSheet ReadBack(const std::string& text, const SlotMachine& machine, const StopWeights& weights,
                  const ParRequest& request) {
    const fs::path copy =
        fs::temp_directory_path() / ("slotsim-tune-" + std::to_string(getpid()) + ".slt");
    std::ofstream(copy, std::ios::binary) << text;
    QuietMachine tuned(copy.string());
    bool same = tuned.messages.Messages.empty() && tuned.machine->NumReels == machine.NumReels &&
                WeightsOf(*tuned.machine) == weights;
    for (int i = 0; same && i < machine.NumReels; ++i)
        for (int k = 0; k < machine.Reels[i].numsym; ++k)
            same = same && tuned.machine->Reels[i].strip[k] - tuned.machine->Symbols ==
                               machine.Reels[i].strip[k] - machine.Symbols;
    ParSheet sheet = same ? ComputePar(copy.string(), request) : ParSheet{};
    fs::remove(copy);
    if (!same)
        throw UsageError("the file's reel lines cannot hold these weights as runs of letters");
    return sheet;
}

std::string Target(const TuneRequest& request) {
    std::string t = "target RTP " + Percent(request.rtp) + " +- 0.01 points";
    if (request.hit)
        t += ", hit frequency " + Percent(*request.hit) + " +- 0.5 points";
    return t;
}

} // namespace

int TuneCommand(const std::string& path, const TuneOptions& options, std::ostream& out,
                std::ostream& err) {
    const auto start = std::chrono::steady_clock::now();
    const std::optional<Analysed> analysed = LoadForAnalysis(path, err);
    if (!analysed)
        return EXIT_REFUSED;
    std::error_code error;
    if (options.out != path && fs::equivalent(options.out, path, error))
        throw UsageError("-o " + options.out + " is " + path +
                         " itself: give it as the same name to write over it");
    QuietMachine loaded(path);
    SlotMachine& machine = *loaded.machine;
    const std::string why = WhyWeightsWouldChangeStrips(machine);
    if (!why.empty())
        throw UsageError(path + ": " + why);

    TuneRequest request;
    request.rtp = ParseShare("--rtp", options.rtp);
    if (!options.hit.empty())
        request.hit = ParseShare("--hit", options.hit);
    request.bet = CheckBet(*analysed, options.bet);
    request.mode = options.mode;
    request.keptReels = ParseReels(options.keepReels, machine.NumReels);
    ParRequest par;
    par.bet = request.bet;
    par.mode = options.mode;
    par.weights = options.weights;
    const ReportHeading heading{options.mode, options.weights, ParMethod::Classes};

    const ParSheet before = ComputePar(path, par);
    out << before.name << ": bet " << request.bet << "; " << Target(request) << "\nbefore\n"
        << Headline(before, heading);
    if (!before.endless.empty()) {
        err << "slotsim: " << path << ": " << before.endless << '\n';
        return EXIT_OUT_OF_REACH;
    }
    // Each round's machine is judged by the sheet of its file as written; the last one judged
    // is the one kept.
    const std::string original = ReadWhole(path);
    std::string text;
    ParSheet after;
    StopWeights judged;
    const WeightsJudge judge = [&](const StopWeights& weights) {
        judged = weights;
        text = WithWeights(original, machine, weights);
        after = ReadBack(text, machine, weights, par);
        return JudgedFigures{after.rtp, after.hit, !after.endless.empty()};
    };
    TuneResult result;
    try {
        result = TuneJudged(machine, request, judge);
    } catch (const std::length_error& e) {
        throw UsageError(path + ": " + e.what());
    }
    if (judged != result.weights)
        judge(result.weights);
    const bool reached = after.endless.empty() && Reached(after.rtp, after.hit, request);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out << (reached ? "after\n" : "closest found\n") << Headline(after, heading)
        << Changes(machine, WeightsOf(machine), result.weights);
    char timing[64];
    std::snprintf(timing, sizeof timing, " in %d steps, %d round%s, %.2f s\n", result.steps,
                  result.rounds, result.rounds == 1 ? "" : "s", seconds);
    out << (reached ? "reached" : "out of reach") << timing;
    if (!reached)
        err << "slotsim: " << path << ": " << Target(request) << " is out of reach"
            << (options.closest ? "; the closest machine found is written" : "; nothing written")
            << '\n';
    if (reached || options.closest) {
        const std::string problem = WriteWhole(options.out, text);
        if (!problem.empty()) {
            err << "slotsim: cannot write " << options.out << ": " << problem << '\n';
            return 1;
        }
    }
    return reached ? 0 : EXIT_OUT_OF_REACH;
}
