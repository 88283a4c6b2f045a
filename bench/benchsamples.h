#ifndef TRUSTKEEP_BENCHSAMPLES_H
#define TRUSTKEEP_BENCHSAMPLES_H

#include <QString>
#include <QVector>

#include <algorithm>

// The ratios of one figure over repeated runs: the median is reported, the
// spread (lowest to highest) says how far a noisy machine moved it.
class BenchSamples
{
public:
    void add(double value) { m_values.append(value); }
    bool isEmpty() const { return m_values.isEmpty(); }

    double median() const
    {
        QVector<double> sorted = m_values;
        std::sort(sorted.begin(), sorted.end());
        const int n = sorted.size();
        if (n == 0)
            return 0;
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    double lowest() const { return m_values.isEmpty() ? 0 : *std::min_element(m_values.begin(), m_values.end()); }
    double highest() const { return m_values.isEmpty() ? 0 : *std::max_element(m_values.begin(), m_values.end()); }
    int count() const { return m_values.size(); }

private:
    QVector<double> m_values;
};

#endif
