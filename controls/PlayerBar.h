// The bar below the video: its buttons' looks and what they ask of the player.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "controls/EWA.h"
#include "product/PlayerContract.h"
#include "skin/SkinImages.h"

class CPlayerBar {
public:
    // The address of the channel to start. The bar asks for it only when it starts the channel, after
    // stopping the player, so that a channel without an address fails there, having stopped.
    using PlayUrl = std::function<LPCSTR()>;

    CPlayerBar(CEWA& player, CSkinImages& images);

    // Starts the channel when stopped and resumes it when paused; a playing channel goes on.
    void Play(const PlayUrl& url);
    // Plays the channel from its start, as a switch to it does.
    void Restart(const PlayUrl& url);
    void PlayPause(const PlayUrl& url);
    void Stop();
    void FullScreen();
    void Mute();
    void VolumeUp();
    void VolumeDown();
    void PauseCommand();
    void OnPlayerStateChange();

    // What the bar last asked of the player, a PlayState.
    int PlayState() const { return m_nPlayState; }

private:
    void StepVolume(std::optional<long> (*pfnAfterStep)(long));
    // While the player connects it takes no play, pause or stop requests.
    bool IsConnecting() { return m_player.GetPlayState() == PLAYSTATE_CONNECTING; }

    CEWA& m_player;
    CSkinImages& m_images;
    int m_nPlayState = PLAYSTATE_STOPPED;
    long m_nSavedVolume = 0;
    bool m_bMuted = false;
};
