#include "options.h"

Options parseOptions(const QStringList &arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help"))
            options.action = Options::Action::Help;
        else if (argument == QLatin1String("--version"))
            options.action = options.action == Options::Action::Help ? options.action : Options::Action::Version;
        else if (argument == QLatin1String("--password-hash"))
            options.action = options.action == Options::Action::Run ? Options::Action::PasswordHash : options.action;
        else if (argument == QLatin1String("--headless"))
            options.headless = true;
        else if (argument == QLatin1String("-r"))
            continue;
        else if (argument == QLatin1String("--dir")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                options.refusal = QStringLiteral("l'option --dir attend un dossier");
                break;
            }
            options.dir = arguments.at(++i);
        } else if (argument == QLatin1String("--metrics")) {
            if (i + 1 >= arguments.size()) {
                options.refusal = QStringLiteral("l'option --metrics attend une adresse (ADRESSE:PORT ou PORT)");
                break;
            }
            ++i;
        } else {
            options.refusal = argument.startsWith(QLatin1Char('-'))
                                  ? QStringLiteral("option inconnue : %1").arg(argument)
                                  : QStringLiteral("argument inattendu : %1").arg(argument);
            break;
        }
    }
    // Help and the version are given whatever else the line holds.
    if (!options.refusal.isEmpty() && options.action != Options::Action::Help
        && options.action != Options::Action::Version)
        options.action = Options::Action::Refused;
    return options;
}

QString helpText()
{
    return QStringLiteral(
        "Utilisation : quelvane [OPTION]...\n"
        "Suit la ligne DSL d'une Livebox : relevés, courbes, rapports PDF, alertes et métriques.\n"
        "\n"
        "  -r                      démarre l'acquisition avec le programme\n"
        "  --headless              sans fenêtre, comme service : les messages vont sur la\n"
        "                          sortie d'erreur\n"
        "  --dir DOSSIER           garde réglages, relevés, archives et exports dans DOSSIER\n"
        "                          (ou la variable QUELVANE_DIR)\n"
        "  --metrics ADRESSE:PORT  sert les métriques pour Prometheus (PORT seul : 127.0.0.1)\n"
        "  --password-hash         lit un mot de passe sur l'entrée standard et écrit son\n"
        "                          empreinte, pour METRIQUES/EmpreinteMotDePasse\n"
        "  --version               affiche la version et s'arrête\n"
        "  -h, --help              affiche cette aide et s'arrête\n"
        "\n"
        "Les options de Qt (-platform, -style...) sont acceptées aussi.\n"
        "Réglages, relevés, archives et exports : à côté du programme (livebox.ini) ;\n"
        "installé avec le système (/usr/bin), dans ~/.local/share/quelvane.\n");
}
