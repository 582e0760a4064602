// The bar below the video: its buttons' looks and what they ask of the player.
#pragma once

#include "Afx.h"
#include "controls/EWA.h"
#include "skin/SkinImages.h"

class CPlayerBar {
public:
    // The bar plays the channels of this table.
    CPlayerBar(CEWA& player, CSkinImages& images, const CStringArray& arrPlayUrl);

    // Starts the channel when stopped and resumes it when paused; a playing channel goes on.
    void Play(int nChannel);
    // Plays the channel from its start, as a switch to it does.
    void Restart(int nChannel);
    void PlayPause(int nChannel);
    void Stop();
    void FullScreen();
    void Mute();
    void VolumeUp();
    void VolumeDown();
    void PauseCommand();
    void OnPlayerStateChange();

    // What the bar last asked of the player, a PlayState.
    int m_nPlayState = PLAYSTATE_STOPPED;
    long m_nSavedVolume = 0;
    bool m_bMuted = false;

private:
    void StepVolume(long (*pfnAfterStep)(long));
    // While the player connects it takes no play, pause or stop requests.
    bool IsConnecting() { return m_player.GetPlayState() == PLAYSTATE_CONNECTING; }

    CEWA& m_player;
    CSkinImages& m_images;
    const CStringArray& m_arrPlayUrl;
};
