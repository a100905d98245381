// Command.java - desktop test implementation.
package javax.microedition.lcdui;

public class Command {
}
