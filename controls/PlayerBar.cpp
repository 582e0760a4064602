#include "controls/PlayerBar.h"

#include "config/Configuration.h"
#include "controls/PlayerBarRules.h"
#include "resource.h"

CPlayerBar::CPlayerBar(CEWA& player, CSkinImages& images) : m_player(player), m_images(images) {}

void CPlayerBar::Play(const PlayUrl& url)
{
    if (m_nPlayState == PLAYSTATE_STOPPED) {
        m_player.Stop();
        m_player.SetUrl(url());
    } else if (m_nPlayState == PLAYSTATE_PAUSED) {
        m_player.Resume();
    }
    m_nPlayState = PLAYSTATE_PLAYING;
}

void CPlayerBar::Restart(const PlayUrl& url)
{
    m_nPlayState = PLAYSTATE_STOPPED;
    m_images.Show(IDC_PLAY_PAUSE, IDB_PAUSE_BUTTON);
    m_images.Show(IDC_STOP, IDB_STOP_BUTTON);
    Play(url);
}

void CPlayerBar::PlayPause(const PlayUrl& url)
{
    if (IsConnecting())
        return;
    if (m_nPlayState == PLAYSTATE_PLAYING) {
        m_player.Pause();
        m_nPlayState = PLAYSTATE_PAUSED;
        m_images.Show(IDC_PLAY_PAUSE, IDB_PLAY_BUTTON);
    } else {
        Play(url);
        m_images.Show(IDC_PLAY_PAUSE, IDB_PAUSE_BUTTON);
    }
    m_images.Show(IDC_STOP, IDB_STOP_BUTTON);
}

void CPlayerBar::Stop()
{
    if (IsConnecting())
        return;
    if (m_nPlayState != PLAYSTATE_PAUSED && m_nPlayState != PLAYSTATE_PLAYING)
        return;
    m_nPlayState = PLAYSTATE_STOPPED;
    m_player.Stop();
    m_images.Show(IDC_PLAY_PAUSE, IDB_PLAY_BUTTON);
    m_images.Show(IDC_STOP, IDB_STOP_BUTTON_GREYED);
}

// Only a picture that plays or stands paused can fill the screen.
void CPlayerBar::FullScreen()
{
    if (m_player.GetPlayState() == PLAYSTATE_PLAYING || m_player.GetPlayState() == PLAYSTATE_PAUSED)
        m_player.SetFullScreen(TRUE);
}

void CPlayerBar::Mute()
{
    if (!m_bMuted) {
        m_nSavedVolume = m_player.GetVolume();
        m_player.SetVolume(0);
        m_images.Show(IDC_MUTE, IDB_SOUND_MUTED);
    } else {
        m_player.SetVolume(m_nSavedVolume);
        m_images.Show(IDC_MUTE, IDB_SOUND_ON);
    }
    m_bMuted = !m_bMuted;
}

void CPlayerBar::VolumeUp()
{
    StepVolume(VolumeAfterStepUp);
}

void CPlayerBar::VolumeDown()
{
    StepVolume(VolumeAfterStepDown);
}

// Any step turns the sound back on, even one the range refuses; the volume is read afresh.
void CPlayerBar::StepVolume(std::optional<long> (*pfnAfterStep)(long))
{
    m_bMuted = false;
    m_images.Show(IDC_MUTE, IDB_SOUND_ON);
    if (!pfnAfterStep(m_player.GetVolume()))
        return;
    // Should the second reading lie beyond the edge, nothing outside the range is put.
    if (const std::optional<long> nVolume = pfnAfterStep(m_player.GetVolume()))
        m_player.SetVolume(*nVolume);
}

void CPlayerBar::PauseCommand()
{
    if (IsConnecting())
        return;
    m_player.Pause();
    m_nPlayState = PLAYSTATE_PAUSED;
}

// The event's own state is not trusted: the player is asked again.
void CPlayerBar::OnPlayerStateChange()
{
    if (m_player.GetPlayState() != PLAYSTATE_PLAYING)
        m_player.SetIdlePicture(product::kIdlePicture);
    if (m_player.GetPlayState() == PLAYSTATE_PLAYING) {
        m_images.Show(IDC_PLAY_PAUSE, IDB_PAUSE_BUTTON);
        m_images.Show(IDC_STOP, IDB_STOP_BUTTON);
    }
}
