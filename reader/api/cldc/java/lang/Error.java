// Error.java - CLDC 1.0, signatures only.
package java.lang;

public class Error extends Throwable {
    public Error() {}
    public Error(String s) {}
}
