#ifndef QUADROTAG_OPERATORSAVES_H
#define QUADROTAG_OPERATORSAVES_H

#include <QByteArray>
#include <QString>

#include <vector>

// Who saved what in a dataset, read from every operator's log in its hidden team folders.
class OperatorSaves
{
public:
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
        // folder + '/' + image name
        std::vector<QString> images;
        long long seconds = 0;
        std::vector<QString> timedImages;
    };
    std::vector<std::pair<QString, Counts>> byOperator;
};

#endif
