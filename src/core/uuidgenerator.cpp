#include "core/uuidgenerator.h"

#include <QRandomGenerator>

namespace varnel {

UuidGenerator::UuidGenerator()
{
    QRandomGenerator* secure = QRandomGenerator::system();
    do {
        for (std::uint64_t& word : m_s)
            word = secure->generate64();
    } while ((m_s[0] | m_s[1] | m_s[2] | m_s[3]) == 0); // the all-zero state never leaves zero
}

} // namespace varnel
