#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <csignal>

namespace kasplan::test {

// Another copy of the program, in its own process, driven line by line (the
// lockholder helper; the test target defines LOCKHOLDER as its path).
class OtherCopy
{
public:
    // location: TestDatabase::location().
    OtherCopy(const QString& location, const QString& user, int leaseMs, bool announce = false)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KASPLAN_LOCK_LEASE_MS"), QString::number(leaseMs));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args{location, user};
        if (announce)
            args.append(QStringLiteral("announce"));
        m_process.start(QStringLiteral(LOCKHOLDER), args);
        m_ready = m_process.waitForStarted(10000) && readLine() == QLatin1String("ready");
    }
    ~OtherCopy()
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_process.processId()), SIGCONT);
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    bool ready() const { return m_ready; }
    QString send(const QStringList& command)
    {
        m_process.write((command.join(QLatin1Char('\t')) + QLatin1Char('\n')).toUtf8());
        return readLine();
    }
    // Tells it to end, as a copy closed by its user; answers whether it did.
    bool quit()
    {
        m_process.write("quit\n");
        return m_process.waitForFinished(20000) && m_process.exitCode() == 0;
    }
    void signal(int number) { ::kill(pid_t(m_process.processId()), number); }
    void killHard()
    {
        m_process.kill(); // SIGKILL: no chance to give its locks back
        m_process.waitForFinished(10000);
    }

private:
    QString readLine()
    {
        QElapsedTimer timer;
        timer.start();
        while (!m_process.canReadLine() && timer.elapsed() < 20000)
            m_process.waitForReadyRead(200);
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }

    QProcess m_process;
    bool m_ready = false;
};

} // namespace kasplan::test
