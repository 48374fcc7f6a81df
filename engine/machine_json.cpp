#include "engine/machine_json.h"

namespace {

Json Text(const char* text) {
    return text ? Json(text) : Json(nullptr);
}

template <typename T> Json Array(const T* values, int count) {
    Json array = Json::array();
    for (int i = 0; i < count; ++i) {
        array.push_back(values[i]);
    }
    return array;
}

Json TextArray(char* const* texts, int count) {
    Json array = Json::array();
    for (int i = 0; i < count; ++i) {
        array.push_back(Text(texts[i]));
    }
    return array;
}

int SymbolCode(const SlotMachine& machine, const SlotSymbol* symbol) {
    return static_cast<int>(symbol - machine.Symbols);
}

Json SymbolsToJson(const SlotMachine& machine) {
    Json symbols = Json::array();
    for (int code = 0; code < MAX_SYMBOLS; ++code) {
        const SlotSymbol& s = machine.Symbols[code];
        if (s.letter == 0) {
            continue;
        }
        symbols.push_back({{"code", code},
                           {"letter", static_cast<unsigned char>(s.letter)},
                           {"filename", Text(s.filename)},
                           {"label", Text(s.label)},
                           {"flags", s.flags},
                           {"height", s.height},
                           {"tx", s.tx},
                           {"ty", s.ty},
                           {"tx2", s.tx2},
                           {"ty2", s.ty2}});
    }
    return symbols;
}

Json ReelsToJson(const SlotMachine& machine) {
    Json reels = Json::array();
    for (int i = 0; i < machine.NumReels; ++i) {
        const SlotReel& reel = machine.Reels[i];
        Json strip = Json::array();
        for (int k = 0; k < reel.numsym; ++k) {
            strip.push_back(SymbolCode(machine, reel.strip[k]));
        }
        reels.push_back({{"numsym", reel.numsym},
                         {"strip", strip},
                         {"numspin", reel.numspin},
                         {"spin", Array(reel.spin, reel.numspin)}});
    }
    return reels;
}

Json MatchToJson(const SlotPayoff& payoff) {
    Json columns = Json::array();
    for (int c = 0; c < MAX_COLUMNS; ++c) {
        Json codes = Json::array();
        for (int code = 0; code < MAX_SYMBOLS; ++code) {
            if (payoff.match[c][code] != 0) {
                codes.push_back(code);
            }
        }
        columns.push_back(codes);
    }
    return columns;
}

Json PayoffsToJson(const SlotMachine& machine) {
    Json payoffs = Json::array();
    for (int p = 0; p < machine.NumPayoffs; ++p) {
        const SlotPayoff& payoff = machine.Payoffs[p];
        payoffs.push_back({{"match", MatchToJson(payoff)},
                           {"plus", Array(payoff.plus, MAX_COLUMNS)},
                           {"pay", Array(payoff.pay, MAX_PAY_LEVELS)},
                           {"label", Text(payoff.label)}});
    }
    return payoffs;
}

Json MessagesToJson(const RecordingMessageSink& sink) {
    Json messages = Json::array();
    for (const RecordingMessageSink::Message& m : sink.Messages) {
        messages.push_back({{"caption", m.caption}, {"text", m.text}});
    }
    return messages;
}

} // namespace

Json MachineToJson(const SlotMachine& m, const RecordingMessageSink& loadMessages) {
    return {{"NumPayoffs", m.NumPayoffs},
            {"NumReels", m.NumReels},
            {"WeightedStrips", m.WeightedStrips},
            {"Position", Array(m.Position, MAX_REELS)},
            {"CoinsBet", m.CoinsBet},
            {"CurrencyNum", m.CurrencyNum},
            {"CurrencyDenom", m.CurrencyDenom},
            {"ResetCount", m.ResetCount},
            {"AutoSpin", m.AutoSpin},
            {"SymSpace", m.SymSpace},
            {"SymWidth", m.SymWidth},
            {"WindowHeight", m.WindowHeight},
            {"WindowThick", m.WindowThick},
            {"SymHeight", m.SymHeight},
            {"ChartY", m.ChartY},
            {"ChartHeight", m.ChartHeight},
            {"Name", Text(m.Name)},
            {"FileName", Text(m.FileName)},
            {"ChartFile", Text(m.ChartFile)},
            {"NumSndMusic", m.NumSndMusic},
            {"SndMusic", TextArray(m.SndMusic, m.NumSndMusic)},
            {"NumSndCoin", m.NumSndCoin},
            {"SndCoin", TextArray(m.SndCoin, m.NumSndCoin)},
            {"SndClunk", Text(m.SndClunk)},
            {"SndPay", Text(m.SndPay)},
            {"SndBet", Text(m.SndBet)},
            {"SndAuto", Text(m.SndAuto)},
            {"Expended", m.Expended},
            {"Win", m.Win},
            {"PrevWin", m.PrevWin},
            {"Credits", m.Credits},
            {"MinCredits", m.MinCredits},
            {"MaxCredits", m.MaxCredits},
            {"TotalBet", m.TotalBet},
            {"Bet", m.Bet},
            {"TotalCredited", m.TotalCredited},
            {"Spins", m.Spins},
            {"LastBet", m.LastBet},
            {"BetShown", m.BetShown},
            {"Pending", m.Pending},
            {"Paid", m.Paid},
            {"MaxCoins", m.MaxCoins},
            {"Symbols", SymbolsToJson(m)},
            {"Reels", ReelsToJson(m)},
            {"Payoffs", PayoffsToJson(m)},
            {"Messages", MessagesToJson(loadMessages)}};
}

Json TraceEntry(const SlotMachine& m) {
    return {{"Position", Array(m.Position, m.NumReels)},
            {"Win", m.Win},
            {"Pending", m.Pending},
            {"Credits", m.Credits},
            {"Spins", m.Spins}};
}

std::string JsonText(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}
