#ifndef QUADROTAG_OPERATORSAVES_H
#define QUADROTAG_OPERATORSAVES_H

#include <QByteArray>
#include <QDate>
#include <QSet>
#include <QString>

#include <map>
#include <vector>

// Who saved what in a dataset, read from every operator's log in its hidden team folders.
class OperatorSaves
{
public:
    // One week from its Monday: active seconds and the distinct images of its timed lines.
    struct Week
    {
        QDate monday;
        long long seconds = 0;
        long long timedImages = 0;
        double imagesPerHour() const;
    };

    struct Tally
    {
        QString operatorName;
        long long saves = 0;
        // Distinct images saved.
        long long images = 0;
        // Active seconds of the lines that tell them, and the distinct images of those lines.
        long long seconds = 0;
        long long timedImages = 0;
        bool operator==(const Tally& other) const;
        double activeHours() const { return double(seconds) / 3600.0; }
        // Of the images whose saves tell their time; 0 without any time.
        double imagesPerHour() const;
        // Saves per day of the lines' own dates; lines whose time can't be read count on none.
        std::map<QDate, long long> savesByDay{};
        std::vector<Week> weeks{};
    };

    // Reads the logs of every folder of the dataset at root.
    static std::vector<Tally> ofDataset(const QString& root);

    // Counts the lines of one log of the team folder of imageFolder.
    void addLog(const QString& imageFolder, const QString& logFileName, const QByteArray& bytes);
    // One tally per operator, sorted by name.
    std::vector<Tally> tallies() const;

private:
    struct Counts
    {
        long long saves = 0;
        // folder + '/' + image name, each once: a log of a million saves of a few images
        // costs the few names.
        QSet<QString> images;
        long long seconds = 0;
        QSet<QString> timedImages;
        std::map<QDate, long long> savesByDay;
        // Monday -> seconds and the timed images of that week; the names are shared copies.
        std::map<QDate, std::pair<long long, QSet<QString>>> weeks;
    };
    static Tally tallyOf(const QString& name, const Counts& counts);
    std::vector<std::pair<QString, Counts>> byOperator;
};

#endif
