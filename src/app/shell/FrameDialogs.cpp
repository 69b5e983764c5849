#include "shell/FrameDialogs.h"

#include "shell/MainFrame.h"

namespace vistrel {

int RunHistoryDialogFor(QWidget* owner, QString* path) {
    (void)owner;
    (void)path;
    return 0; // DIALOG CALL SITE: "HISTORY"
}

int RunParametersDialogFor(QWidget* owner, QMdiSubWindow* window) {
    (void)owner;
    (void)window;
    return 0; // DIALOG CALL SITE: "PRMTRS"
}

int RunProcessDialogFor(int commandId, QWidget* owner, const QString& parameter, QMdiSubWindow* window,
                        ProcessJob* job) {
    (void)owner;
    (void)parameter;
    (void)window;
    (void)job;
    switch (commandId) {
    case cmd::MovingAverage: return 0; // DIALOG CALL SITE: "MOVAVG" (string 205); job->m_averagingFactor
    case cmd::Average: return 0;       // DIALOG CALL SITE: "MOVAVG" (string 206); job->m_averagingFactor
    case cmd::Linear: return 0;        // DIALOG CALL SITE: "AXB"; g_app->m_coeffA/B into the job
    case cmd::Rms: return 0;           // DIALOG CALL SITE: "EFU"; job->m_ratedFrequency
    case cmd::AddSub: return 0;        // DIALOG CALL SITE: "ADDSUB"; job->m_outputs
    case cmd::TableFunction: return 0; // DIALOG CALL SITE: "TABLEFUNC"; job->m_outputs, m_tables
    case cmd::Spectrum: return 0;      // DIALOG CALL SITE: "SPECTR"; job->m_outputs, m_spectrum
    case cmd::SaveChannels: return 0;  // DIALOG CALL SITE: "SAVECHAS"; job->m_outputs
    default: return 0;
    }
}

} // namespace vistrel
