#include "play/spin_sequence.h"

#include "platform/win/platform.h"
#include "play/play_state.h"
#include "play/play_steps.h"
#include "play/sound_cues.h"
#include "scene/buttons.h"
#include "scene/credit_meter.h"
#include "scene/machine_state.h"
#include "scene/scene_objects.h"
#include "scene/shared_flags.h"

namespace {

constexpr unsigned CUE_ONCE = SND_ASYNC | SND_NODEFAULT | SND_MEMORY;
constexpr unsigned CUE_WAIT = SND_NODEFAULT | SND_MEMORY;
constexpr unsigned CUE_LOOP = SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP;
// More than this many milliseconds lie between two credits counted in.
constexpr int32_t PAY_INTERVAL = 80;
// A nudged reel rests this many steps, then moves to its new stop in as many again.
constexpr int32_t NUDGE_STEPS = 5;

// The attitude of reel i that shows `stop` on the pay line.
D3DRMQUATERNION StopRotation(int reel, int stop) {
    D3DVECTOR axis{0.0f, 1.0f, 0.0f};
    D3DRMQUATERNION q{};
    D3DRMQuaternionFromRotation(&q, &axis, static_cast<float>(Machine->Reels[reel].angle[stop]));
    return q;
}

// An animation of reel i's frame in the running set; null without a 3D object.
LPDIRECT3DRMANIMATION AddReelAnimation(int reel) {
    rm::RefPtr<IDirect3DRMAnimation> animation;
    if (D3D.lpD3DRM == nullptr || Play.ReelAnimSet == nullptr)
        return nullptr;
    D3D.lpD3DRM->CreateAnimation(animation.Out());
    if (animation == nullptr)
        return nullptr;
    animation->SetOptions(D3DRMANIMATION_SCALEANDROTATION);
    animation->SetFrame(MachineScene.Reels[reel]);
    const HRESULT added = Play.ReelAnimSet->AddAnimation(animation);
    // The set holds it from here on. One the set refused goes with this function's reference,
    // and its reel then stands still instead of being keyed through a freed animation.
    if (added < 0)
        return nullptr;
    Play.ReelAnims[reel] = animation;
    return animation;
}

void AddKey(LPDIRECT3DRMANIMATION animation, float time, int reel, int stop) {
    if (animation == nullptr)
        return;
    D3DRMQUATERNION q = StopRotation(reel, stop);
    animation->AddRotateKey(time, &q);
}

// The end of a spin or nudge goes on with the steps every played spin shares, each carried
// out with its animation.
class OnScreenMoves : public PlayMoves {
public:
    int Nudge() override { return StartNudge(); }
    void Respin() override { SpinAgain(); }
};

void CountUp(uint32_t now) {
    if (Play.ReelAnimSet != nullptr)
        return;
    const int32_t since = static_cast<int32_t>(now - Play.LastPayTick);
    if (since >= 0 && since <= PAY_INTERVAL)
        return;
    Play.LastPayTick = now;
    Play.Paying = Machine->PayOut(1, 1) != 0 ? 1 : 0;
    if (SoundOn() && !Machine->SndPayData.empty() && Play.Paying == 1)
        PlayCue(&Machine->SndPayData, CUE_ONCE, SOUND_PAY);
}

void AdvanceAnimation(uint32_t now) {
    Shared.Busy = 1;
    if (static_cast<double>(Play.AnimEnd) > Play.AnimTime) {
        Play.AnimTime =
            static_cast<int32_t>(now - Play.AnimLastTick) * Play.AnimSpeed + Play.AnimTime;
        Play.ReelAnimSet->SetTime(static_cast<float>(Play.AnimTime));
        Play.AnimLastTick = now;
    } else {
        ReleaseReelAnimation();
        OnScreenMoves moves;
        NextPlayStep(*Machine, Play.Played, moves);
    }
    for (int32_t& mark : Play.ClunkMarks) {
        if (mark < 0 || !(static_cast<double>(mark) < Play.AnimTime))
            continue;
        mark = -1;
        if (SoundOn() && !Machine->SndClunkData.empty())
            PlayCue(&Machine->SndClunkData, CUE_ONCE, SOUND_CLUNK);
    }
}

} // namespace

void ReleaseReelAnimation() {
    rm::GiveUp(Play.ReelAnimSet);
    for (LPDIRECT3DRMANIMATION& animation : Play.ReelAnims)
        animation = nullptr;
}

void ResetReelAnimation() {
    ReleaseReelAnimation();
    if (D3D.lpD3DRM != nullptr)
        D3D.lpD3DRM->CreateAnimationSet(&Play.ReelAnimSet);
    Play.AnimEnd = 0;
    Play.AnimTime = 0.0;
    Play.AnimLastTick = win::GetTickCount();
    Play.AnimSpeed = Machine->Reels[0].numsym * 0.001;
    for (int32_t& mark : Play.ClunkMarks)
        mark = -1;
}

void StartSpin(int32_t amount) {
    SlotMachine& machine = *Machine;
    int old[MAX_REELS] = {};
    for (int i = 0; i < MAX_REELS; ++i)
        old[i] = machine.Position[i];
    // A player's spin starts the caps afresh; its free re-spins use them up.
    if (amount != -1)
        Play.Played = PlayedSpin{};
    machine.CoinsBet = 0;
    machine.Spin(amount, 0, 0);
    const int coins = machine.CoinsBet;
    if (SoundOn() && coins >= 1 && coins <= machine.NumSndCoin)
        PlayCue(&machine.SndCoinData[coins - 1], CUE_WAIT, SOUND_COIN);
    ResetReelAnimation();
    // Every reel turns whole turns of the first reel's stops, one more for each reel to its
    // left, so they come to rest in reel order; then on to its own new stop.
    const int turn = machine.Reels[0].numsym;
    for (int i = 0; i < machine.NumReels; ++i) {
        int steps = turn * (i + 2);
        if (machine.Reels[i].numsym > 0)
            while (machine.WrapStop(i, old[i] - steps) != machine.Position[i])
                ++steps;
        LPDIRECT3DRMANIMATION animation = AddReelAnimation(i);
        if (steps > Play.AnimEnd)
            Play.AnimEnd = steps;
        // One key per stop passed, so the reel shows each in turn.
        for (int k = 0; k <= steps; ++k)
            AddKey(animation, static_cast<float>(k), i, machine.WrapStop(i, old[i] - k));
    }
    const SpinMusic music =
        ChooseSpinMusic(machine, amount == -1, {SoundOn(), !machine.SndAutoData.empty()});
    if (music.kind == SpinMusic::Auto)
        PlayCue(&machine.SndAutoData, CUE_LOOP, SOUND_MUSIC);
    else if (music.kind == SpinMusic::Music)
        PlayCue(&machine.SndMusicData[music.index], CUE_LOOP, SOUND_MUSIC);
}

void SpinAgain() {
    StartSpin(-1);
}

int StartNudge() {
    SlotMachine& machine = *Machine;
    int old[MAX_REELS] = {};
    for (int i = 0; i < MAX_REELS; ++i)
        old[i] = machine.Position[i];
    if (machine.Nudge(0) == 0)
        return 0;
    ResetReelAnimation();
    int32_t t = NUDGE_STEPS;
    for (int i = 0; i < machine.NumReels; ++i) {
        if (machine.Position[i] == old[i])
            continue;
        t += NUDGE_STEPS;
        LPDIRECT3DRMANIMATION animation = AddReelAnimation(i);
        if (t > Play.AnimEnd)
            Play.AnimEnd = t;
        Play.ClunkMarks[i] = t - NUDGE_STEPS;
        AddKey(animation, 0.0f, i, old[i]);
        AddKey(animation, static_cast<float>(t - NUDGE_STEPS), i, old[i]);
        AddKey(animation, static_cast<float>(t), i, machine.Position[i]);
    }
    return 1;
}

int StepReels() {
    if (Machine == nullptr)
        return 0;
    const uint32_t now = win::GetTickCount();
    // Busy follows the count-up one frame late, and the animation holds it at 1.
    Shared.Busy = Play.Paying;
    CountUp(now);
    if (Play.ReelAnimSet != nullptr)
        AdvanceAnimation(now);
    UpdateButtons();
    UpdateCreditMeter();
    if (SoundOn() && Shared.Busy == 0 && Play.SoundState == SOUND_MUSIC) {
        CurrentSoundOutput().Play(nullptr, 0, SND_ASYNC | SND_NODEFAULT);
        Play.SoundState = SOUND_NONE;
    }
    return 1;
}
