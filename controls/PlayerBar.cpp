#include "mainwnd/TvClientDlg.h"

#include "controls/PlayerBarRules.h"

void CTvClientDlg::Play()
{
    if (m_nPlayState == CEWA::stateStopped) {
        m_player.Stop();
        m_player.SetUrl(m_arrPlayUrl.GetAt(m_nCurChannel));
    } else if (m_nPlayState == CEWA::statePaused) {
        m_player.Resume();
    }
    m_nPlayState = CEWA::statePlaying;
}

void CTvClientDlg::RestartChannel()
{
    m_nPlayState = CEWA::stateStopped;
    ShowBitmap(IDC_PLAY_PAUSE, IDB_PAUSE_BUTTON);
    ShowBitmap(IDC_STOP, IDB_STOP_BUTTON);
    Play();
}

// While the player connects it takes no play, pause or stop requests.
void CTvClientDlg::OnPlayPause()
{
    if (m_player.GetPlayState() == CEWA::stateConnecting)
        return;
    if (m_nPlayState == CEWA::statePlaying) {
        m_player.Pause();
        m_nPlayState = CEWA::statePaused;
        ShowBitmap(IDC_PLAY_PAUSE, IDB_PLAY_BUTTON);
    } else {
        Play();
        ShowBitmap(IDC_PLAY_PAUSE, IDB_PAUSE_BUTTON);
    }
    ShowBitmap(IDC_STOP, IDB_STOP_BUTTON);
}

void CTvClientDlg::OnStopClicked()
{
    if (m_player.GetPlayState() == CEWA::stateConnecting)
        return;
    if (m_nPlayState != CEWA::statePaused && m_nPlayState != CEWA::statePlaying)
        return;
    m_nPlayState = CEWA::stateStopped;
    m_player.Stop();
    ShowBitmap(IDC_PLAY_PAUSE, IDB_PLAY_BUTTON);
    ShowBitmap(IDC_STOP, IDB_STOP_BUTTON_GREYED);
}

// Only a picture that plays or stands paused can fill the screen.
void CTvClientDlg::OnFullScreen()
{
    if (m_player.GetPlayState() == CEWA::statePlaying || m_player.GetPlayState() == CEWA::statePaused)
        m_player.SetFullScreen(TRUE);
}

void CTvClientDlg::OnMute()
{
    if (!m_bMuted) {
        m_nSavedVolume = m_player.GetVolume();
        m_player.SetVolume(0);
        m_bMuted = 1;
        ShowBitmap(IDC_MUTE, IDB_SOUND_MUTED);
    } else {
        m_player.SetVolume(m_nSavedVolume);
        m_bMuted = 0;
        ShowBitmap(IDC_MUTE, IDB_SOUND_ON);
    }
}

void CTvClientDlg::OnVolumeUp()
{
    StepVolume(VolumeAfterStepUp);
}

void CTvClientDlg::OnVolumeDown()
{
    StepVolume(VolumeAfterStepDown);
}

// Any step turns the sound back on, even one the range refuses; the volume is read afresh.
void CTvClientDlg::StepVolume(long (*pfnAfterStep)(long))
{
    m_bMuted = 0;
    ShowBitmap(IDC_MUTE, IDB_SOUND_ON);
    if (pfnAfterStep(m_player.GetVolume()) < 0)
        return;
    m_player.SetVolume(pfnAfterStep(m_player.GetVolume()));
}

void CTvClientDlg::OnPauseCommand()
{
    if (m_player.GetPlayState() == CEWA::stateConnecting)
        return;
    m_player.Pause();
    m_nPlayState = CEWA::statePaused;
}

// The event's own state is not trusted: the player is asked again.
void CTvClientDlg::OnPlayerStateChange(long)
{
    if (m_player.GetPlayState() != CEWA::statePlaying)
        m_player.SetIdlePicture(config::kIdlePicture);
    if (m_player.GetPlayState() == CEWA::statePlaying) {
        ShowBitmap(IDC_PLAY_PAUSE, IDB_PAUSE_BUTTON);
        ShowBitmap(IDC_STOP, IDB_STOP_BUTTON);
    }
}

void CTvClientDlg::OnPlayerEvent204()
{
    m_player.SetFullScreen(TRUE);
}

void CTvClientDlg::OnPlayerEvent6506(short, short, long, long)
{
    m_player.SetFullScreen(TRUE);
}
